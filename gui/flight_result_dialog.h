#pragma once

#include "recorder/result_texts.h"

class QWidget;

namespace kestrix::gui {

// The flight result dialog, modal over `owner`: 1 "Flight Complete",
// 2 "Refueling Stop", anything else when closed without a choice.
int RunFlightResultDialog(QWidget* owner, const FlightResultTexts& texts);

}  // namespace kestrix::gui
