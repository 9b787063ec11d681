#pragma once

#include "gui/base/dialog_base.h"

class QAction;
class QMenuBar;
class QPoint;
class QPushButton;
class QTableView;
class QWidget;

namespace kestrix::gui {

class ChatButton;
class ChatWindow;
class FlightsModel;

// Command ids of the main dialog's buttons and menus.
namespace MainCommand {
inline constexpr int Exit = 2;
inline constexpr int FlySelectedFlight = 1003;
inline constexpr int EditPilotInfo = 40000;
inline constexpr int RefreshFlights = 40001;
inline constexpr int ResetDatabase = 40003;
inline constexpr int Settings = 40004;
inline constexpr int CheckForUpdates = 40005;
inline constexpr int About = 40009;
inline constexpr int FileFlightReports = 40010;
inline constexpr int RefreshServerData = 40011;
inline constexpr int Chat = 40022;
}  // namespace MainCommand

// The program's home window: the pilot's available flights, and every
// command on them and on the program.
class MainDialog : public DialogBase {
  Q_OBJECT
 public:
  explicit MainDialog(QWidget* parent = nullptr);

  // Carries out a command of the buttons, the menus or the context menu.
  void RunCommand(int id);
  // Re-reads the stored flights: File menu, list, "Fly Selected Flight".
  void RefreshList();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QMenuBar* BuildMenuBar();
  void ShowContextMenu(const QPoint& position);
  void RefreshFlights();
  void FlySelectedFlight();
  void RunFileFlightReports();
  void ResetDatabase();

  FlightsModel* model;
  QTableView* list;
  QPushButton* flyButton;
  QAction* fileReportsItem = nullptr;
  ChatButton* chatButton;
  ChatWindow* chat;
};

// Runs the program's home window modally until the pilot leaves it.
void RunMainDialog();

}  // namespace kestrix::gui
