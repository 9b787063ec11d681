#pragma once

#include <memory>
#include <string>

#include "sim/sim_transport.h"

namespace kestrix {

// FlightGear through its telnet props server (fgfs --telnet=PORT): the
// offsets are answered from `get`s of its property tree, and the writes
// become `set`s. It has no slew mode, so slew reads as off.
std::unique_ptr<SimTransport> MakeFlightGearTransport(std::string host, int port);

}  // namespace kestrix
