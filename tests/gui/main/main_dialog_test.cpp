#include "gui/main/main_dialog.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QMenuBar>
#include <QPushButton>

#include "gui/main/flights_list_driver.h"
#include "gui/chat/chat_button.h"
#include "gui/main/file_flight_report_dialog.h"
#include "gui/modal.h"

namespace kestrix::gui {
namespace {

using test::ContextMenuPilot;
using test::MakeFlight;
using test::MenuItem;
using test::StoreFlights;
using test::StoredFlight;
using namespace FlightStatus;

QAction* MenuAction(QWidget& dialog, int id) {
  for (QAction* action : dialog.findChild<QMenuBar*>()->findChildren<QAction*>())
    if (action->data().toInt() == id && !action->isSeparator()) return action;
  return nullptr;
}

void SetOnline(bool online) {
  InstallInternetStateProbe([online] { return online; });
}

class MainDialogTest : public test::AirlineFixture {
 protected:
  // The chat's worker polls only for a pilot online in the chat: these tests leave it quiet.
  void SetUp() override {
    AirlineFixture::SetUp();
    Database().WriteProgramSettings(Database().ReadProgramSettings() & ~ProgramSettings::ChatAvailable);
  }

  // The dialog as the pilot first sees it, on what the store holds.
  void OpenOffline() {
    SetOnline(false);
    dialog = std::make_unique<MainDialog>();
    dialog->show();
    list = test::FlightsList(*dialog);
    SetOnline(true);
  }

  QPushButton* Button(int id) { return dialog->findChild<QPushButton*>(QString::number(id)); }
  std::string Cell(int row, int column) { return test::Cell(*list, row, column); }

  ContextMenuPilot pilot;
  std::unique_ptr<MainDialog> dialog;
  QTableView* list = nullptr;
};

TEST_F(MainDialogTest, RefreshFlightsListsTheMergedScheduleInItsColours) {
  StoreFlights({MakeFlight("101", "SCH", StatusInProgress), MakeFlight("102", "BID", StatusRefuelingStop),
                MakeFlight("103", "SPL", StatusCompleted), MakeFlight("104", "GA", StatusCompleted)});
  OpenOffline();
  ASSERT_EQ(list->model()->rowCount(), 2);
  QAction* fileReports = MenuAction(*dialog, MainCommand::FileFlightReports);
  EXPECT_EQ(fileReports->text(), "File Flight Reports (2)...");
  EXPECT_TRUE(fileReports->isEnabled());

  AvailableFlight bid = MakeFlight("102", "BID", 0);
  bid.expiryDate = "1/1/2000";
  AvailableFlight hvh = MakeFlight("105", "HVH", 0);
  hvh.expiryDate = "1/1/2000 1:00:00 AM";
  AvailableFlight ga = MakeFlight("106", "GA", 0);
  ga.flightNumber = "HV66";
  ga.aircraftType = "--";
  AvailableFlight later = MakeFlight("107", "SCH", 0);
  later.effectiveDate = "4000000000";
  airline.State().SetSchedule(kUser, {MakeFlight("101", "SCH", 0), bid, MakeFlight("103", "SPL", 0), hvh, ga,
                                      later, MakeFlight("108", "CHT", 0)});
  test::ClickRow(*list, 0);
  EXPECT_TRUE(Button(MainCommand::FlySelectedFlight)->isEnabled());
  QTest::mouseClick(Button(MainCommand::RefreshFlights), Qt::LeftButton);

  const std::vector<std::vector<std::string>> expected = {
      {"101", "HAL101", "KORD - KLAX (*)", "Halvorn Air", "B738", "SCH", "N/A"},
      {"102", "HAL102", "KORD - KLAX (R)", "Halvorn Air", "B738", "BID", "Expired"},
      {"105", "HAL105", "KORD - KLAX", "Halvorn Air", "B738", "HVH", "Expired"},
      {"106", "HV66", "KORD - KLAX", "Halvorn Air", "", "GA", "N/A"},
      {"108", "HAL108", "KORD - KLAX", "Halvorn Air", "B738", "CHT", "N/A"},
  };
  ASSERT_EQ(list->model()->rowCount(), static_cast<int>(expected.size()));
  for (int row = 0; row < static_cast<int>(expected.size()); ++row)
    for (int column = 0; column < 7; ++column)
      EXPECT_EQ(Cell(row, column), expected[row][column]) << row << "," << column;

  const std::pair<QColor, QColor> colours[] = {
      {QColor(88, 113, 90), QColor(211, 225, 213)},  {QColor(58, 74, 125), QColor(232, 235, 244)},
      {QColor(123, 60, 64), QColor(228, 209, 209)},  {QColor(132, 132, 132), QColor(238, 238, 238)},
      {QColor(), QColor()},
  };
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(test::CellColour(*list, row, Qt::ForegroundRole), colours[row].first) << row;
    EXPECT_EQ(test::CellColour(*list, row, Qt::BackgroundRole), colours[row].second) << row;
  }
  EXPECT_FALSE(Button(MainCommand::FlySelectedFlight)->isEnabled());
  EXPECT_EQ(fileReports->text(), "File Flight Reports (2)...");
  EXPECT_TRUE(StoredFlight("104").has_value());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(MainDialogTest, ListAndControlsAsTheTemplateHasThem) {
  OpenOffline();
  EXPECT_EQ(dialog->windowTitle(), "Kestrix v2");
  EXPECT_TRUE(list->isColumnHidden(0));
  const std::pair<const char*, int> columns[] = {{"Flt#", 75},    {"Route", 100}, {"Airline", 119},
                                                 {"Aircraft", 55}, {"Type", 50},   {"Expires", 79}};
  for (int column = 1; column <= 6; ++column) {
    EXPECT_EQ(list->model()->headerData(column, Qt::Horizontal).toString(), columns[column - 1].first);
    EXPECT_EQ(list->columnWidth(column), columns[column - 1].second);
  }
  EXPECT_EQ(list->palette().color(QPalette::Base), QColor(200, 200, 200));
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);

  QAction* fileReports = MenuAction(*dialog, MainCommand::FileFlightReports);
  EXPECT_EQ(fileReports->text(), "File Flight Reports...");
  EXPECT_FALSE(fileReports->isEnabled());
  for (const int id : {MainCommand::Exit, MainCommand::Settings, MainCommand::CheckForUpdates,
                       MainCommand::RefreshServerData, MainCommand::EditPilotInfo, MainCommand::ResetDatabase,
                       MainCommand::About})
    EXPECT_NE(MenuAction(*dialog, id), nullptr) << id;
  EXPECT_FALSE(Button(MainCommand::FlySelectedFlight)->isEnabled());

  // Offline at opening: no chat, and nothing asked of the server.
  EXPECT_FALSE(dialog->findChild<ChatButton*>("40022")->isVisible());
  EXPECT_TRUE(airline.State().Requests().empty());
  SetOnline(true);
  MainDialog online;
  online.show();
  ChatButton* chat = online.findChild<ChatButton*>("40022");
  EXPECT_TRUE(chat->isVisible());
  EXPECT_EQ(chat->toolTip(), "Open the chat window.");
  EXPECT_EQ(chat->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_FALSE(chat->pixmap().isNull());
}

TEST_F(MainDialogTest, ContextMenuKeepsWhatTheFlightsStatusAndTheConnectionAllow) {
  StoreFlights({MakeFlight("200", "SCH", 0), MakeFlight("201", "SCH", StatusInProgress),
                MakeFlight("202", "SCH", StatusRefuelingStop)});
  OpenOffline();
  const MenuItem ticket{40018, "View Ticket..."}, ticketSeparator{40019, ""},
      refuel{40014, "Change Flight Status to Refueling Stop..."}, complete{40015, "Change Flight Status to Complete..."},
      deleteSeparator{40020, ""}, remove{40017, "Delete Flight Data..."};

  test::RightClickRow(*list, 0);
  EXPECT_EQ(pilot.items, std::vector<MenuItem>{ticket});
  test::RightClickRow(*list, 1);
  EXPECT_EQ(pilot.items, (std::vector<MenuItem>{ticket, ticketSeparator, refuel, complete, deleteSeparator, remove}));
  test::RightClickRow(*list, 2);
  EXPECT_EQ(pilot.items, (std::vector<MenuItem>{ticket, ticketSeparator, complete, deleteSeparator, remove}));

  SetOnline(false);
  test::RightClickRow(*list, 0);
  EXPECT_TRUE(pilot.items.empty());
  test::RightClickRow(*list, 1);
  EXPECT_EQ(pilot.items, (std::vector<MenuItem>{refuel, complete, deleteSeparator, remove}));
  EXPECT_EQ(pilot.shown, 5);
}

TEST_F(MainDialogTest, ChangingAFlightInProgressToARefuelingStopThroughTheMenu) {
  StoreFlights({MakeFlight("300", "SCH", StatusInProgress)});
  FlightRecord saved = test::Leg("300", 0);
  saved.recordedTime = 95 * 60;
  ASSERT_TRUE(Database().WriteTempFlight(saved));
  OpenOffline();
  ASSERT_EQ(Cell(0, 2), "KORD - KLAX (*)");

  pilot.choice = FlightMenu::RefuelingStop;
  boxes.Answer(MessageResult::Yes);
  test::RightClickRow(*list, 0);

  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                               "Are you sure you want to change the status of flight HAL300 to a Refueling Stop?",
                               "Flight status has successfully been changed."}));
  EXPECT_EQ(boxes.Shown()[0].owner, HandleOf(dialog.get()));
  EXPECT_EQ(Cell(0, 2), "KORD - KLAX (R)");
  EXPECT_EQ(StoredFlight("300")->status, StatusRefuelingStop);
  std::vector<FlightRecord> reports;
  Database().ReadFlightReports(reports, false);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].flightMinutes, 95);
}

TEST_F(MainDialogTest, FileFlightReportsOpensTheOutboxThenRefreshesTheFlights) {
  StoreFlights({MakeFlight("400", "SCH", StatusCompleted), MakeFlight("401", "SCH", 0)});
  ASSERT_TRUE(Database().WriteFlightReport(test::Leg("400", 50)));
  OpenOffline();
  airline.State().SetSchedule(kUser, {MakeFlight("400", "SCH", 0), MakeFlight("402", "SCH", 0)});

  std::string outboxRoute;
  test::OnModal<FileFlightReportDialog>([&](FileFlightReportDialog& outbox) {
    outboxRoute = test::Cell(*test::FlightsList(outbox), 0, ReportColumn::Route);
    QTest::mouseClick(outbox.findChild<QPushButton*>("2"), Qt::LeftButton);
  });
  MenuAction(*dialog, MainCommand::FileFlightReports)->trigger();

  EXPECT_EQ(outboxRoute, "KORD - KLAX");
  EXPECT_EQ(RequestsTo(airline::Route::Schedule).size(), 1u);
  ASSERT_EQ(list->model()->rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), "402");
  EXPECT_TRUE(MenuAction(*dialog, MainCommand::FileFlightReports)->isEnabled());
}

TEST_F(MainDialogTest, ExitInTheFileMenuEndsTheDialog) {
  SetOnline(false);
  test::OnModal<MainDialog>([](MainDialog& shown) { MenuAction(shown, MainCommand::Exit)->trigger(); });
  RunMainDialog();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace kestrix::gui
