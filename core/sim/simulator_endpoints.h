#pragma once

#include <string>

namespace kestrix {

struct SimEndpoint {
  std::string host;
  int port = 0;
};

// Where the simulators without the interface module are looked for.
struct SimulatorEndpoints {
  SimEndpoint flightGear{"127.0.0.1", 5401};
  SimEndpoint xPlane{"127.0.0.1", 49000};
};

inline constexpr const char* kSimulatorsFile = "Simulators.cfg";

// The defaults, changed by the lines "flightgear = HOST:PORT" and
// "xplane = HOST:PORT" of `path` (relative names are in the data folder,
// the working directory), and then by $KESTRIX_FLIGHTGEAR and $KESTRIX_XPLANE
// ("HOST:PORT" or ":PORT"). A value that does not read is left out.
SimulatorEndpoints ReadSimulatorEndpoints(const std::string& path = kSimulatorsFile);

// "HOST:PORT", ":PORT" (host kept) or "HOST" (port kept); false when it does not read.
bool ParseSimEndpoint(const std::string& text, SimEndpoint& endpoint);

}  // namespace kestrix
