#pragma once

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTableView>
#include <QTest>

#include <ostream>
#include <string>
#include <vector>

#include "app/flight_list.h"
#include "gui/main/flight_menu.h"
#include "gui/base/window_handle.h"
#include "server/airline_fixture.h"
#include "store/database.h"
#include "support/stored_flights.h"

namespace kestrix::test {

// What the pilot saw in a context menu: each item's command id and text
// (separators with an empty text).
struct MenuItem {
  int id;
  std::string text;
  bool operator==(const MenuItem&) const = default;
};

inline void PrintTo(const MenuItem& item, std::ostream* out) { *out << item.id << " \"" << item.text << '"'; }

// Stands in for the pilot at the flights' context menu: records the items and
// picks the one with the command id `choice` (none when 0).
class ContextMenuPilot {
 public:
  ContextMenuPilot() {
    gui::InstallPopupMenuRunner([this](QMenu& menu, const QPoint&) -> QAction* {
      ++shown;
      items.clear();
      QAction* picked = nullptr;
      for (QAction* action : menu.actions()) {
        items.push_back({action->data().toInt(), action->text().toStdString()});
        if (choice != 0 && action->data().toInt() == choice) picked = action;
      }
      return picked;
    });
  }
  ~ContextMenuPilot() { gui::InstallPopupMenuRunner(nullptr); }

  int choice = 0;
  int shown = 0;
  std::vector<MenuItem> items;
};

inline QTableView* FlightsList(QWidget& dialog) { return dialog.findChild<QTableView*>("1001"); }

inline std::string Cell(QTableView& list, int row, int column, int role = Qt::DisplayRole) {
  return list.model()->index(row, column).data(role).toString().toStdString();
}

inline QColor CellColour(QTableView& list, int row, int role) {
  return list.model()->index(row, 1).data(role).value<QColor>();
}

// The row whose hidden column 0 holds `flightId`, -1 when none.
inline int RowOf(QTableView& list, const std::string& flightId) {
  for (int row = 0; row < list.model()->rowCount(); ++row)
    if (Cell(list, row, 0) == flightId) return row;
  return -1;
}

inline QPoint RowCentre(QTableView& list, int row) {
  return list.visualRect(list.model()->index(row, 1)).center();
}

inline void ClickRow(QTableView& list, int row) {
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, RowCentre(list, row));
}

// A right click on the row, as the pilot opens the context menu.
inline void RightClickRow(QTableView& list, int row) {
  const QPoint at = RowCentre(list, row);
  QTest::mouseClick(list.viewport(), Qt::RightButton, {}, at);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
  QApplication::sendEvent(list.viewport(), &event);
}

inline FlightRecord Leg(const std::string& flightId, int32_t minutes) {
  FlightRecord leg;
  leg.flightId = flightId;
  leg.startTime = 1'700'000'000 + minutes;
  leg.flightMinutes = minutes;
  leg.fuelUsed = 900;
  leg.landingRate = -150;
  leg.points = {{41.9, -87.9, 2000, 270}, {34.0, -118.4, 1500, 250}};
  return leg;
}

}  // namespace kestrix::test
