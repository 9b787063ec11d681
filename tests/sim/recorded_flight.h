#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "sim/sim_link.h"
#include "simulator_peer.h"

namespace kestrix::test {

// What the recorder booked for a flight.
struct RecordedFlight {
  int32_t minutes = -1;
  int32_t fuelUsed = -1;
  double landingRate = 0;
  size_t points = 0;
};

// Flies the stand-in's default flight from the gate to a stop, one simulated
// second a tick, recorded through `link` (already open) into a fresh store in
// the working directory; ends and saves the flight.
RecordedFlight RecordDefaultFlight(SimulatorPeer& peer, SimLink& link);

}  // namespace kestrix::test
