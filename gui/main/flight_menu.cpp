#include "gui/main/flight_menu.h"

#include <QAction>
#include <QMenu>

#include "app/flight_list.h"
#include "gui/main/ticket_viewer.h"
#include "gui/base/window_handle.h"
#include "store/database.h"

namespace kestrix::gui {
namespace {

PopupMenuRunner& InstalledRunner() {
  static PopupMenuRunner runner;
  return runner;
}

const char* ItemText(int id) {
  switch (id) {
    case FlightMenu::ViewTicket:
      return "View Ticket...";
    case FlightMenu::RefuelingStop:
      return "Change Flight Status to Refueling Stop...";
    case FlightMenu::Complete:
      return "Change Flight Status to Complete...";
    case FlightMenu::DeleteFlight:
      return "Delete Flight Data...";
    default:
      return nullptr;  // a separator
  }
}

}  // namespace

void InstallPopupMenuRunner(PopupMenuRunner runner) { InstalledRunner() = std::move(runner); }

QAction* RunPopupMenu(QMenu& menu, const QPoint& globalPos) {
  const PopupMenuRunner& runner = InstalledRunner();
  if (!runner) return menu.exec(globalPos);
  // The chosen item triggers, as it does in the desktop's menu.
  QAction* chosen = runner(menu, globalPos);
  if (chosen) chosen->trigger();
  return chosen;
}

int ChooseFlightCommand(QWidget* owner, const std::vector<int>& ids, const QPoint& globalPos) {
  QMenu menu(owner);
  for (const int id : ids) {
    const char* text = ItemText(id);
    QAction* action = text ? menu.addAction(text) : menu.addSeparator();
    action->setData(id);
  }
  QAction* chosen = RunPopupMenu(menu, globalPos);
  return chosen ? chosen->data().toInt() : 0;
}

void ViewFlightTicket(QWidget* owner, const std::string& flightId) {
  AvailableFlight flight;
  Database(HandleOf(owner)).ReadAvailableFlight(flightId, flight);
  ShowTicket(owner, flight.flightId, flight.type);
}

}  // namespace kestrix::gui
