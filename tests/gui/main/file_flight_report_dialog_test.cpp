#include "gui/main/file_flight_report_dialog.h"

#include <gtest/gtest.h>

#include <QPushButton>

#include "gui/main/flights_list_driver.h"
#include "gui/modal.h"
#include "platform/web_host.h"

namespace kestrix::gui {
namespace {

using test::ContextMenuPilot;
using test::MakeFlight;
using test::MenuItem;
using test::StoreFlights;
using test::StoredFlight;
using namespace FlightStatus;

bool Fetch(const std::string& address, std::string& page) {
  const size_t slash = address.find('/');
  ServerLink link;
  return slash != std::string::npos &&
         SendHttpRequest(link, address.substr(0, slash), address.substr(slash), page, false);
}

// The pilot at the report page: opens it and follows its "Complete PIREP" link.
class PilotAtTheReportPage : public WebHost {
 public:
  int ShowPage(WindowHandle, const std::string& firstPart, const std::string& secondPart) override {
    const std::string address = firstPart + secondPart;
    std::string page;
    if (!Fetch(address, page)) return 0;
    const size_t label = page.find(">Complete PIREP</a>");
    const size_t href = page.rfind("href=\"", label);
    if (label == std::string::npos || href == std::string::npos) return 0;
    std::string target = page.substr(href + 6, page.find('"', href + 6) - href - 6);
    for (size_t at = target.find("&amp;"); at != std::string::npos; at = target.find("&amp;", at + 1))
      target.erase(at + 1, 4);
    // The link is relative to the page: its own query on the same path.
    std::string answer;
    completed = Fetch(address.substr(0, address.find('?')) + target, answer);
    return 0;
  }
  void EnableWindow(WindowHandle, bool) override {}
  void BringToTop(WindowHandle) override {}

  bool completed = false;
};

class FileFlightReportDialogTest : public test::AirlineFixture {
 protected:
  void SetUp() override {
    AirlineFixture::SetUp();
    InstallWebHost(pilotAtPage);
  }
  void TearDown() override {
    InstallWebHost(nullptr);
    AirlineFixture::TearDown();
  }

  // Two flights waiting to be filed (one flown in two legs) and a filed one.
  void StoreOutbox() {
    StoreFlights({MakeFlight("500", "SCH", StatusCompleted), MakeFlight("501", "BID", StatusCompleted),
                  MakeFlight("502", "SCH", StatusCompleted | StatusFiled | StatusRemoved),
                  MakeFlight("503", "SCH", StatusInProgress)});
    for (const FlightRecord& leg : {test::Leg("500", 50), test::Leg("501", 20), test::Leg("500", 25)})
      ASSERT_TRUE(Database().WriteFlightReport(leg));
  }

  void Open() {
    dialog = std::make_unique<FileFlightReportDialog>();
    dialog->show();
    list = test::FlightsList(*dialog);
  }

  QPushButton* FileButton() { return dialog->findChild<QPushButton*>("1002"); }
  std::string Cell(int row, int column) { return test::Cell(*list, row, column); }

  std::shared_ptr<PilotAtTheReportPage> pilotAtPage = std::make_shared<PilotAtTheReportPage>();
  ContextMenuPilot pilot;
  std::unique_ptr<FileFlightReportDialog> dialog;
  QTableView* list = nullptr;
};

TEST_F(FileFlightReportDialogTest, FilingTheSelectedFlightCompletesItsPirep) {
  StoreOutbox();
  const std::string localId = StoredFlight("500")->localId;
  Open();

  ASSERT_EQ(list->model()->rowCount(), 2);
  EXPECT_EQ(Cell(0, 0), "500");
  EXPECT_EQ(Cell(0, 1), "HAL500");
  EXPECT_EQ(Cell(0, 2), "KORD - KLAX (2 legs)");
  EXPECT_EQ(Cell(0, 3), "75 minutes");
  EXPECT_EQ(Cell(1, 2), "KORD - KLAX");
  EXPECT_EQ(Cell(1, 3), "20 minutes");
  EXPECT_EQ(test::CellColour(*list, 1, Qt::ForegroundRole), QColor(20, 20, 20));
  EXPECT_EQ(test::CellColour(*list, 1, Qt::BackgroundRole), QColor(241, 239, 175));
  EXPECT_TRUE(list->isColumnHidden(0));
  EXPECT_EQ(list->model()->headerData(3, Qt::Horizontal).toString(), "Minutes Flown");
  EXPECT_EQ(list->columnWidth(2), 146);
  EXPECT_FALSE(FileButton()->isEnabled());

  test::ClickRow(*list, 0);
  ASSERT_TRUE(FileButton()->isEnabled());
  QTest::mouseClick(FileButton(), Qt::LeftButton);

  EXPECT_TRUE(pilotAtPage->completed);
  const auto report = airline.State().ReportFor(localId);
  ASSERT_TRUE(report.has_value());
  EXPECT_TRUE(report->filed);
  EXPECT_EQ(report->Field(airline::ReportField::FlightMinutes), "75");
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Flight report successfully PIREPed."});
  EXPECT_EQ(boxes.Shown()[0].owner, HandleOf(dialog.get()));
  ASSERT_EQ(list->model()->rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), "501");
  EXPECT_FALSE(FileButton()->isEnabled());
}

TEST_F(FileFlightReportDialogTest, ContextMenuTurnsAFlightBackIntoARefuelingStopOrDeletesIt) {
  StoreOutbox();
  Open();
  test::RightClickRow(*list, 0);
  EXPECT_EQ(pilot.items, (std::vector<MenuItem>{{40018, "View Ticket..."},
                                                {40019, ""},
                                                {40014, "Change Flight Status to Refueling Stop..."},
                                                {40020, ""},
                                                {40017, "Delete Flight Data..."}}));

  pilot.choice = FlightMenu::RefuelingStop;
  boxes.Answer(MessageResult::No);
  test::RightClickRow(*list, 0);
  EXPECT_EQ(list->model()->rowCount(), 2);
  EXPECT_EQ(StoredFlight("500")->status, StatusCompleted);

  boxes.Answer(MessageResult::Yes);
  test::RightClickRow(*list, 0);
  ASSERT_EQ(list->model()->rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), "501");
  EXPECT_EQ(StoredFlight("500")->status, StatusRefuelingStop);
  EXPECT_TRUE(boxes.Saw("Flight status has successfully been changed."));

  pilot.choice = FlightMenu::DeleteFlight;
  boxes.Answer(MessageResult::Yes);
  test::RightClickRow(*list, 0);
  EXPECT_EQ(list->model()->rowCount(), 0);
  EXPECT_FALSE(StoredFlight("501").has_value());
  EXPECT_EQ(boxes.Texts().back(), "Flight has been successfully deleted.");
  EXPECT_FALSE(FileButton()->isEnabled());
}

TEST_F(FileFlightReportDialogTest, WithoutAPilotNumberTheListStaysEmpty) {
  StoreOutbox();
  Database().WritePilotInfo({kUser, kPassword, ""});
  Open();
  EXPECT_EQ(list->model()->rowCount(), 0);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Pilot number not set."});
}

TEST_F(FileFlightReportDialogTest, ExitAndEscapeLeaveWithResultOne) {
  test::OnModal<FileFlightReportDialog>(
      [](FileFlightReportDialog& shown) { QTest::mouseClick(shown.findChild<QPushButton*>("2"), Qt::LeftButton); });
  EXPECT_EQ(RunFileFlightReportDialog(nullptr), 1);
  test::OnModal<FileFlightReportDialog>([](FileFlightReportDialog& shown) { QTest::keyClick(&shown, Qt::Key_Escape); });
  EXPECT_EQ(RunFileFlightReportDialog(nullptr), 1);
}

}  // namespace
}  // namespace kestrix::gui
