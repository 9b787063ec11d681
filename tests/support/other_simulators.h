#pragma once

#include <fstream>

#include "sim/simulator_endpoints.h"

namespace kestrix::test {

// Writes the working directory's simulators file. Nothing listens on port 1,
// so by default the other simulators are looked for where none runs, and a
// FlightGear or X-Plane running on this machine is left out of the test.
inline void PointOtherSimulatorsAt(int flightGearPort, int xPlanePort = 1) {
  std::ofstream(kSimulatorsFile) << "# where the simulators are\nflightgear = 127.0.0.1:" << flightGearPort
                                 << "\nxplane = 127.0.0.1:" << xPlanePort << "\n";
}

}  // namespace kestrix::test
