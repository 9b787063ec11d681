#pragma once

#include <string>

#include "gui/base/dialog_base.h"
#include "recorder/result_texts.h"
#include "store/records.h"

class QWidget;

namespace kestrix {
class SimLink;
}

namespace kestrix::gui {

// The last recorded values of a saved flight, with "Place Aircraft" to put
// the aircraft back where the flight was saved.
class ResumeFlightDialog : public DialogBase {
  Q_OBJECT
 public:
  // `link` and `flight` must outlive the dialog.
  ResumeFlightDialog(QWidget* owner, const ResumeValuesTexts& texts, SimLink& link, const FlightRecord& flight);

 private:
  SimLink& link;
  const FlightRecord& flight;
};

// What the flight window shows when it opens for a saved flight: the resume
// dialog over the stored temporary flight of `flightId` ("Place Aircraft"
// places it through `link`), then the reminder to resume.
void ShowLastRecordedValues(QWidget* owner, SimLink& link, const std::string& flightId);

}  // namespace kestrix::gui
