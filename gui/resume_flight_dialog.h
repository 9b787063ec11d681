#pragma once

#include <string>

class QWidget;

namespace kestrix {
class SimLink;
}

namespace kestrix::gui {

// What the flight window shows when it opens for a saved flight: the resume
// dialog over the stored temporary flight of `flightId` ("Place Aircraft"
// places it through `link`), then the reminder to resume.
void ShowLastRecordedValues(QWidget* owner, SimLink& link, const std::string& flightId);

}  // namespace kestrix::gui
