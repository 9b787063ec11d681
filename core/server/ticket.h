#pragma once

#include <string>
#include <string_view>

#include "server/http_engine.h"

namespace kestrix {

// "ticket", "planbook" or "ga" by flight type; empty when the type has none.
std::string TicketKind(std::string_view flightType);

// Downloads both sides of a flight's ticket image as raw bytes. False (and
// nothing fetched) when the type has no ticket or the internet is not
// connected; a failed side stays empty.
bool FetchTicketImages(ServerLink& link, const std::string& flightId, const std::string& flightType,
                       std::string& front, std::string& back);

}  // namespace kestrix
