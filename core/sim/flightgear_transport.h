#pragma once

#include <memory>
#include <string>

#include "sim/sim_transport.h"

namespace kestrix {

struct FlightGearOptions {
  std::string host = "127.0.0.1";
  int port = 5401;
  // A snapshot requested less than this long ago is taken as current
  // without waiting for FlightGear; 0 makes every hand-over wait for one
  // requested after it began. FlightGear answers a frame or two after a
  // request (well under this even at a low frame rate), and the recorder
  // samples once a second, so half a second old is as good as current.
  int freshMs = 500;
};

// FlightGear through its telnet props server (fgfs --telnet=PORT): the
// offsets are answered from `get`s of its property tree, asked again and
// again in the background, and the writes become `set`s. It has no slew
// mode, so slew reads as off.
std::unique_ptr<SimTransport> MakeFlightGearTransport(std::string host, int port);
std::unique_ptr<SimTransport> MakeFlightGearTransport(FlightGearOptions options);

}  // namespace kestrix
