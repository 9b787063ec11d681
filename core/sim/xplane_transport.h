#pragma once

#include <memory>
#include <string>

#include "sim/sim_transport.h"
#include "sim/xplane_wire.h"

namespace kestrix {

struct XPlaneOptions {
  std::string host = "127.0.0.1";
  int port = 49000;
  // Where running copies announce themselves; 0 listens for none.
  int beaconPort = kXPlaneBeaconPort;
  // Values younger than this are taken as current without waiting for more.
  int freshMs = 500;
};

// X-Plane through its UDP data-reference protocol: every dataref the program
// reads is subscribed to and streamed, the offsets are answered from the
// newest values, and the writes become commands, dataref writes and an
// aircraft placement. When the configured address does not answer, a copy
// announcing itself on the beacon is used. X-Plane has no slew mode, so slew
// reads as off.
std::unique_ptr<SimTransport> MakeXPlaneTransport(std::string host, int port);
std::unique_ptr<SimTransport> MakeXPlaneTransport(XPlaneOptions options);

}  // namespace kestrix
