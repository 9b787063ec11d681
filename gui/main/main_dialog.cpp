#include "gui/main/main_dialog.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>

#include "app/flight_commands.h"
#include "app/flight_list.h"
#include "app/fly_command.h"
#include "app/maintenance_commands.h"
#include "gui/main/about_dialog.h"
#include "gui/chat/chat_button.h"
#include "gui/chat/chat_window.h"
#include "gui/base/code_page_text.h"
#include "gui/base/desktop_style.h"
#include "gui/main/file_flight_report_dialog.h"
#include "gui/main/flight_menu.h"
#include "gui/flight/flight_window.h"
#include "gui/main/flights_model.h"
#include "gui/main/pilot_info_dialog.h"
#include "gui/main/settings_dialog.h"
#include "gui/base/window_handle.h"
#include "platform/clock.h"
#include "platform/internet_state.h"
#include "sim/sim_transport.h"
#include "store/database.h"

namespace kestrix::gui {
namespace {

constexpr QSize kTemplateSize(331, 185);
constexpr int64_t kAfterFlightPauseMs = 500;

const std::vector<ListColumn> kColumns = {
    {"Flight Id", 0}, {"Flt#", 75}, {"Route", 100}, {"Airline", 119},
    {"Aircraft", 55}, {"Type", 50}, {"Expires", 79},
};

// Each flight type has its own row colours; other types keep the list's.
RowColours TypeColours(const ListRows& rows, size_t row) {
  struct TypeColour {
    const char* type;
    QColor text;
    QColor background;
  };
  static const TypeColour kTypes[] = {
      {"SCH", QColor(88, 113, 90), QColor(211, 225, 213)},  {"BID", QColor(58, 74, 125), QColor(232, 235, 244)},
      {"GA", QColor(132, 132, 132), QColor(238, 238, 238)}, {"SPL", QColor(107, 0, 107), QColor(235, 204, 235)},
      {"HVH", QColor(123, 60, 64), QColor(228, 209, 209)},
  };
  const std::string_view type = rows.Cell(row, FlightColumn::Type);
  for (const TypeColour& entry : kTypes)
    if (type == entry.type) return {entry.text, entry.background};
  return {};
}

QAction* AddItem(QMenu* menu, const char* text, int id, MainDialog* dialog) {
  QAction* action = menu->addAction(text);
  action->setData(id);
  QObject::connect(action, &QAction::triggered, dialog, [dialog, id] { dialog->RunCommand(id); });
  return action;
}

}  // namespace

MainDialog::MainDialog(QWidget* parent)
    : DialogBase(parent, {kTemplateSize, true, true, TemplateFont()}),
      model(new FlightsModel(kColumns, TypeColours, this)) {
  SetMenuBar(BuildMenuBar());
  chatButton = new ChatButton(this);
  Place(chatButton, 288, 3, 38, 16);
  AddLabel(kNoId,
           "Select the flight you want to fly and click 'Fly Selected Flight'.\n\nClick Refresh Flights to "
           "synchronize the flights list with the server.",
           7, 20, 317, 26);
  list = CreateFlightsView(this, model);
  Place(list, 7, 47, 317, 99);
  AddLabel(kNoId, "(*) in route column denotes flight is in progress.", 7, 149, 317, 8);
  AddLabel(kNoId, "(R) in route column denotes flight is at a re-fueling stop.", 7, 157, 317, 8);
  QPushButton* refresh = AddButton(MainCommand::RefreshFlights, "Refresh Flights", 7, 167, 62, 14);
  flyButton = AddButton(MainCommand::FlySelectedFlight, "Fly Selected Flight", 206, 167, 70, 14);
  flyButton->setEnabled(false);
  QPushButton* exit = AddButton(MainCommand::Exit, "Exit", 280, 167, 44, 14);
  // The template has no default button: Enter in the list presses none.
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);

  connect(refresh, &QPushButton::clicked, this, [this] { RunCommand(MainCommand::RefreshFlights); });
  connect(flyButton, &QPushButton::clicked, this, [this] { RunCommand(MainCommand::FlySelectedFlight); });
  connect(exit, &QPushButton::clicked, this, [this] { RunCommand(MainCommand::Exit); });
  EnableWhileSelected(list, flyButton);
  connect(list, &QTableView::customContextMenuRequested, this, &MainDialog::ShowContextMenu);

  DownloadFlights(HandleOf(this));
  // The main dialog runs modally and blocks every window but its own: the chat is one of them.
  chat = new ChatWindow(this);
  chat->StartPolling();
  connect(chatButton, &ChatButton::Clicked, this, [this] { RunCommand(MainCommand::Chat); });
  if (!IsInternetConnected()) chatButton->hide();
}

QMenuBar* MainDialog::BuildMenuBar() {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("106");
  QMenu* file = bar->addMenu("File");
  fileReportsItem = AddItem(file, "File Flight Reports...", MainCommand::FileFlightReports, this);
  fileReportsItem->setEnabled(false);
  file->addSeparator();
  AddItem(file, "Exit", MainCommand::Exit, this);

  QMenu* options = bar->addMenu("Options");
  AddItem(options, "Settings...", MainCommand::Settings, this);
  QMenu* maintenance = options->addMenu("Maintenance");
  AddItem(maintenance, "Check for Updates...", MainCommand::CheckForUpdates, this);
  AddItem(maintenance, "Refresh Server Data", MainCommand::RefreshServerData, this);
  maintenance->addSeparator();
  AddItem(maintenance, "Edit Pilot Info...", MainCommand::EditPilotInfo, this);
  AddItem(maintenance, "Reset Database...", MainCommand::ResetDatabase, this);

  QMenu* help = bar->addMenu("Help");
  AddItem(help, "About...", MainCommand::About, this);
  return bar;
}

void MainDialog::showEvent(QShowEvent* event) {
  DialogBase::showEvent(event);
  // Restoring a minimised window is no reason to read the store again.
  if (!event->spontaneous()) RefreshList();
}

void MainDialog::RefreshList() {
  ListRows rows;
  {
    // The stored flights go as soon as their rows are made: a whole schedule is large.
    std::vector<AvailableFlight> flights;
    Database(HandleOf(this)).ReadAvailableFlights(flights);
    const int completed = CountCompleted(flights);
    fileReportsItem->setText(QtText(FileReportsMenuText(completed)));
    fileReportsItem->setEnabled(completed > 0);
    rows = FlightListRows(flights, NowSeconds());
  }
  model->SetRows(std::move(rows));
  // A rebuilt list has no selection, so there is nothing to fly.
  flyButton->setEnabled(false);
}

void MainDialog::ShowContextMenu(const QPoint& position) {
  const std::string flightId = SelectedFlightId(*list);
  if (flightId.empty()) return;
  AvailableFlight flight;
  Database(HandleOf(this)).ReadAvailableFlight(flightId, flight);
  const std::vector<int> items = FlightMenuItems(flight.status, IsInternetConnected());
  if (const int command = ChooseFlightCommand(this, items, list->viewport()->mapToGlobal(position)))
    RunCommand(command);
}

void MainDialog::RunCommand(int id) {
  const WindowHandle owner = HandleOf(this);
  switch (id) {
    case MainCommand::Exit:
      reject();
      break;
    case MainCommand::FlySelectedFlight:
      FlySelectedFlight();
      break;
    case MainCommand::EditPilotInfo:
      if (EnsureConnected(owner)) RunPilotInfoDialog(this, true);
      break;
    case MainCommand::RefreshFlights:
      RefreshFlights();
      break;
    case MainCommand::ResetDatabase:
      ResetDatabase();
      break;
    case MainCommand::Settings:
      RunSettingsDialog(this);
      break;
    case MainCommand::CheckForUpdates:
      // The updater replaces the program once it has ended.
      if (kestrix::CheckForUpdates(owner)) reject();
      break;
    case MainCommand::About:
      RunAboutBox(this);
      break;
    case MainCommand::FileFlightReports:
      RunFileFlightReports();
      break;
    case MainCommand::RefreshServerData:
      RefreshServerData(owner);
      break;
    case FlightMenu::RefuelingStop:
    case FlightMenu::Complete: {
      const int32_t target = id == FlightMenu::Complete ? StatusRequest::Completed : StatusRequest::RefuelingStop;
      if (ChangeFlightStatus(owner, SelectedFlightId(*list), target) != CommandOutcome::Declined) RefreshList();
      break;
    }
    case FlightMenu::DeleteFlight:
      if (DeleteFlight(owner, SelectedFlightId(*list)) == CommandOutcome::Done) {
        RefreshList();
        RefreshFlights();
      }
      break;
    case FlightMenu::ViewTicket:
      ViewFlightTicket(this, SelectedFlightId(*list));
      break;
    case MainCommand::Chat:
      if (IsInternetConnected())
        chat->Open();
      else
        ShowMessageBox(owner, "You need to be connected to the internet to use chat.", kProgramCaption,
                       MessageKind::Information);
      break;
    default:
      break;
  }
}

void MainDialog::RefreshFlights() {
  const WindowHandle owner = HandleOf(this);
  if (!EnsureConnected(owner)) return;
  DownloadFlights(owner);
  RefreshList();
}

void MainDialog::FlySelectedFlight() {
  const std::string flightId = SelectedFlightId(*list);
  if (flightId.empty()) return;
  SimLink link(MakePosixSimTransport(DefaultRendezvousDir()));
  const FlyPreparation preparation = PrepareFlight(HandleOf(this), flightId, link);
  if (!preparation.go) return;
  // QDialog's own hide would end the modal loop this dialog runs in, and with it the program.
  QWidget::setVisible(false);
  {
    FlightWindow window(this, link);
    if (window.SetFlightId(flightId)) {
      window.SetResumeMode(preparation.resume, !preparation.resume);
      window.Run();
    }
  }
  SleepMs(kAfterFlightPauseMs);
  RefreshList();
  show();
  activateWindow();
  setFocus();
}

void MainDialog::RunFileFlightReports() {
  RunFileFlightReportDialog(this);
  DownloadFlights(HandleOf(this));
  RefreshList();
}

void MainDialog::ResetDatabase() {
  if (!kestrix::ResetDatabase(HandleOf(this))) return;
  model->Clear();
  DownloadFlights(HandleOf(this));
  RefreshList();
}

void RunMainDialog() {
  MainDialog dialog;
  dialog.exec();
}

}  // namespace kestrix::gui
