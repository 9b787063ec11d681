#pragma once

#include <string>

namespace kestrix::airline {

// A small PNG of one side of a ticket: each kind ("ticket", "planbook", "ga")
// has its own colour, the back is darker than the front, and the flight id is
// drawn as a bar code so different flights give different images.
std::string TicketImage(const std::string& kind, bool front, const std::string& flightId);

}  // namespace kestrix::airline
