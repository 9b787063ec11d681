#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "airline/airline_server.h"
#include "gui/main_dialog.h"
#include "gui/pilot_info_dialog.h"
#include "gui/startup_windows.h"
#include "gui/window_handle.h"
#include "modal.h"
#include "platform/internet_state.h"
#include "server/account.h"
#include "server/http_engine.h"
#include "store/database.h"
#include "support/fake_clock.h"
#include "support/scripted_message_box.h"
#include "support/temp_work_dir.h"

namespace kestrix::gui {
namespace {

// The program's start on a clean folder with its real windows: the pilot
// logs in through the pilot info dialog and the main dialog lists the schedule.
class FirstStart : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KESTRIX_LOCK_DIR", work.Path().c_str(), 1);
    ASSERT_TRUE(airline.Start());
    airline.State().AddPilot({"jdoe", "s3cret", "1234", "John Doe", false});
    SetServerVariablesHost(airline.Host());
    SetDefaultHttpTimeouts({.connectMs = 2000, .sendMs = 2000, .receiveMs = 2000});
    InstallInternetStateProbe([] { return true; });
    InstallPilotInfoDialog([](WindowHandle owner) { return RunPilotInfoDialog(WidgetOf(owner), false); });
  }
  void TearDown() override {
    InstallPilotInfoDialog(nullptr);
    InstallInternetStateProbe(nullptr);
    SetServerVariablesHost("");
    SetDefaultHttpTimeouts({});
    airline.Stop();
    unsetenv("KESTRIX_LOCK_DIR");
  }

  test::TempWorkDir work;
  test::ScopedFakeClock clock;
  test::ScriptedMessageBox boxes;
  airline::AirlineServer airline;
};

TEST_F(FirstStart, PilotLogsInAndTheMainDialogListsTheDownloadedSchedule) {
  test::OnModal<PilotInfoDialog>([](PilotInfoDialog& dialog) {
    QTest::keyClicks(dialog.findChild<QLineEdit*>("1000"), "jdoe");
    QTest::keyClicks(dialog.findChild<QLineEdit*>("1007"), "s3cret");
    QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
  });
  int listedRows = -1;
  test::OnModal<MainDialog>([&](MainDialog& dialog) {
    listedRows = dialog.findChild<QTableView*>("1001")->model()->rowCount();
    EXPECT_EQ(dialog.windowTitle(), "Kestrix v2");
    QTest::mouseClick(dialog.findChild<QPushButton*>("2"), Qt::LeftButton);
  });
  StartupWindows windows;
  EXPECT_EQ(RunStartup(windows), 0);

  EXPECT_TRUE(std::filesystem::exists(kDatabaseFile));
  PilotInfo stored;
  Database().ReadPilotInfo(stored);
  EXPECT_EQ(stored.pilotNumber, "1234");
  std::vector<AvailableFlight> flights;
  Database().ReadAvailableFlights(flights);
  EXPECT_FALSE(flights.empty());
  EXPECT_GT(listedRows, 0);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"User verified."});
}

}  // namespace
}  // namespace kestrix::gui
