#pragma once

#include "gui/base/dialog_base.h"

class QPushButton;
class QTableView;
class QWidget;

namespace kestrix::gui {

class FlightsModel;

// Command ids of the file flight reports dialog's buttons.
namespace FileReportsCommand {
inline constexpr int Exit = 2;
inline constexpr int FileSelectedFlight = 1002;
}  // namespace FileReportsCommand

// The pilot's outbox: the completed flights whose reports wait to be filed,
// with filing, the ticket, the change back to a refuelling stop and delete.
class FileFlightReportDialog : public DialogBase {
  Q_OBJECT
 public:
  explicit FileFlightReportDialog(QWidget* parent = nullptr);

  // Carries out a command of the buttons or the context menu.
  void RunCommand(int id);
  // Rebuilds the list from the store; with no pilot number it says so and keeps the list.
  void FillList();

 public slots:
  // "Exit" and Escape end the dialog with result 1.
  void reject() override;

 private:
  void ShowContextMenu(const QPoint& position);
  void FileSelectedFlight();
  void RemoveSelectedRow();

  FlightsModel* model;
  QTableView* list;
  QPushButton* fileButton;
};

// Runs the dialog modally towards `owner`; returns 1 when the pilot leaves it.
int RunFileFlightReportDialog(QWidget* owner);

}  // namespace kestrix::gui
