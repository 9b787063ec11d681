#pragma once

#include <string>

class QWidget;

namespace kestrix::gui {

// Downloads and shows both sides of the flight's ticket; false (and nothing
// shown) when the type has no ticket or the internet is not connected.
bool ShowTicket(QWidget* owner, const std::string& flightId, const std::string& flightType);

}  // namespace kestrix::gui
