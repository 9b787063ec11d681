#pragma once

#include "gui/base/dialog_base.h"
#include "recorder/result_texts.h"

class QWidget;

namespace kestrix::gui {

// What the pilot chose in the flight result dialog.
namespace FlightResultChoice {
inline constexpr int Closed = 0;  // Escape or the window closed: the dialog's rejection
inline constexpr int FlightComplete = 1;
inline constexpr int RefuelingStop = 2;
}  // namespace FlightResultChoice

// The values of a finished flight, with the choice between a completed
// flight and a refuelling stop.
class FlightResultDialog : public DialogBase {
  Q_OBJECT
 public:
  FlightResultDialog(QWidget* owner, const FlightResultTexts& texts);
};

// The flight result dialog, modal over `owner`: 1 "Flight Complete",
// 2 "Refueling Stop", anything else when closed without a choice.
int RunFlightResultDialog(QWidget* owner, const FlightResultTexts& texts);

}  // namespace kestrix::gui
