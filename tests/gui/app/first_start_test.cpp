#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <filesystem>

#include "app/startup_fixture.h"
#include "gui/main/main_dialog.h"
#include "gui/main/pilot_info_dialog.h"
#include "gui/app/startup_windows.h"
#include "gui/base/window_handle.h"
#include "gui/modal.h"
#include "store/database.h"

namespace kestrix::gui {
namespace {

// The program's start on a clean folder with its real windows: the pilot
// logs in through the pilot info dialog and the main dialog lists the schedule.
class FirstStart : public test::StartupFixture {
 protected:
  void SetUp() override {
    StartupFixture::SetUp();
    InstallPilotInfoDialog([](WindowHandle owner) { return RunPilotInfoDialog(WidgetOf(owner), false); });
  }
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
