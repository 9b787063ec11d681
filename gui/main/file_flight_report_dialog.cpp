#include "gui/main/file_flight_report_dialog.h"

#include <QPushButton>
#include <QTableView>

#include "app/flight_commands.h"
#include "app/flight_list.h"
#include "gui/base/desktop_style.h"
#include "gui/main/flight_menu.h"
#include "gui/main/flights_model.h"
#include "gui/track/track_window.h"
#include "gui/base/window_handle.h"
#include "server/filing.h"
#include "store/database.h"

namespace kestrix::gui {
namespace {

constexpr QSize kTemplateSize(286, 168);
constexpr int kLeftDialog = 1;

const std::vector<ListColumn> kColumns = {
    {"Flight Id", 0}, {"Flight No", 75}, {"Route", 146}, {"Minutes Flown", 186}};

// Every waiting report is drawn alike.
RowColours ReportColours(const ListRows&, size_t) { return {QColor(20, 20, 20), QColor(241, 239, 175)}; }

}  // namespace

FileFlightReportDialog::FileFlightReportDialog(QWidget* parent)
    : DialogBase(parent, {kTemplateSize, true, true, TemplateFont()}),
      model(new FlightsModel(kColumns, ReportColours, this)) {
  AddLabel(kNoId, "Select the flight you want to file and click 'File Selected Flight'.", 7, 20, 272, 10);
  list = CreateFlightsView(this, model);
  Place(list, 7, 33, 272, 110);
  fileButton = AddButton(FileReportsCommand::FileSelectedFlight, "File Selected Flight", 7, 149, 80, 14);
  fileButton->setEnabled(false);
  QPushButton* exit = AddButton(FileReportsCommand::Exit, "Exit", 235, 149, 44, 14);
  // The template has no default button: Enter in the list presses none.
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);

  connect(fileButton, &QPushButton::clicked, this, [this] { RunCommand(FileReportsCommand::FileSelectedFlight); });
  connect(exit, &QPushButton::clicked, this, [this] { RunCommand(FileReportsCommand::Exit); });
  EnableWhileSelected(list, fileButton);
  connect(list, &QTableView::customContextMenuRequested, this, &FileFlightReportDialog::ShowContextMenu);
  // A double-click shows the flight's track; the context menu stays as it always was.
  connect(list, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    ShowStoredTrack(this, std::string(model->Rows().Cell(static_cast<size_t>(index.row()), ReportColumn::Id)));
  });

  FillList();
}

void FileFlightReportDialog::FillList() {
  Database store(HandleOf(this));
  PilotInfo pilot;
  store.ReadPilotInfo(pilot);
  if (!PilotNumberSet(pilot)) {
    ShowMessageBox(HandleOf(this), "Pilot number not set.", kProgramCaption, MessageKind::Information);
    return;
  }
  std::vector<AvailableFlight> flights;
  std::vector<FlightRecord> reports;
  store.ReadAvailableFlights(flights);
  // The rows need the legs' minutes only, not their points.
  if (store.ReadFlightReports(reports, false) < 0) return;
  model->SetRows(ReportListRows(flights, reports));
  fileButton->setEnabled(false);
}

void FileFlightReportDialog::reject() { done(kLeftDialog); }

void FileFlightReportDialog::ShowContextMenu(const QPoint& position) {
  if (SelectedFlightId(*list).empty()) return;
  if (const int command = ChooseFlightCommand(this, ReportMenuItems(), list->viewport()->mapToGlobal(position)))
    RunCommand(command);
}

void FileFlightReportDialog::RunCommand(int id) {
  const WindowHandle owner = HandleOf(this);
  switch (id) {
    case FileReportsCommand::Exit:
      reject();
      break;
    case FileReportsCommand::FileSelectedFlight:
      FileSelectedFlight();
      break;
    case FlightMenu::ViewTicket:
      ViewFlightTicket(this, SelectedFlightId(*list));
      break;
    case FlightMenu::RefuelingStop:
      if (MarkRefuelingStop(owner, SelectedFlightId(*list)) == CommandOutcome::Done) RemoveSelectedRow();
      break;
    case FlightMenu::DeleteFlight:
      if (DeleteFlight(owner, SelectedFlightId(*list)) == CommandOutcome::Done) RemoveSelectedRow();
      break;
    default:
      break;
  }
}

void FileFlightReportDialog::FileSelectedFlight() {
  const WindowHandle owner = HandleOf(this);
  if (!EnsureConnected(owner)) return;
  if (FileFlightReport(owner, SelectedFlightId(*list)))
    ShowMessageBox(owner, "Flight report successfully PIREPed.", kProgramCaption, MessageKind::Information);
  fileButton->setEnabled(false);
  FillList();
}

void FileFlightReportDialog::RemoveSelectedRow() {
  const QItemSelection selection = list->selectionModel()->selection();
  if (!selection.isEmpty()) model->RemoveRowAt(selection.front().top());
  fileButton->setEnabled(list->selectionModel()->hasSelection());
}

int RunFileFlightReportDialog(QWidget* owner) {
  FileFlightReportDialog dialog(owner);
  return dialog.exec();
}

}  // namespace kestrix::gui
