#pragma once

#include <QPoint>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace kestrix::gui {

// Shows a pop-up menu at a screen position, triggers the chosen action and
// returns it, or null. Tests install their own to look at the menu and choose
// from it.
using PopupMenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPos)>;
// An empty runner restores the real pop-up.
void InstallPopupMenuRunner(PopupMenuRunner runner);
// Shows `menu` through the installed runner; the chosen action or null.
QAction* RunPopupMenu(QMenu& menu, const QPoint& globalPos);

// Shows the flights' context menu with the items `ids` (FlightMenu ids, in
// order, separators included), owned by `owner`; returns the chosen command
// id, 0 when none was chosen.
int ChooseFlightCommand(QWidget* owner, const std::vector<int>& ids, const QPoint& globalPos);

// "View Ticket...": the ticket of the stored flight, modal towards `owner`.
void ViewFlightTicket(QWidget* owner, const std::string& flightId);

}  // namespace kestrix::gui
