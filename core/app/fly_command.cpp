#include "app/fly_command.h"

#include <algorithm>
#include <vector>

#include "app/flight_list.h"
#include "platform/clock.h"
#include "sim/flightgear_transport.h"
#include "sim/simulator_endpoints.h"
#include "sim/xplane_transport.h"
#include "store/database.h"

namespace kestrix {
namespace {

constexpr const char* kSimulatorMissing =
    "Unable to find Flight Simulator.\n\n"
    "Please start the simulator with its interface module installed, FlightGear with its props server "
    "(fgfs --telnet=5401), or X-Plane with network data enabled, and try again.";

void Tell(WindowHandle owner, const char* text) {
  ShowMessageBox(owner, text, kProgramCaption, MessageKind::Information);
}

// The refusal for an expired flight, or null when it may be flown. Dated
// flights ("BID", "GA", "SPL") and timed ones ("HVH") are worded apart.
const char* ExpiredMessage(const AvailableFlight& flight) {
  if (!IsFlightExpired(flight, NowSeconds())) return nullptr;
  return flight.type == "HVH" ? "That flight has expired." : "That flight had expired.";
}

using TransportMaker = std::unique_ptr<SimTransport> (*)(const SimulatorEndpoints&);

const TransportMaker kOtherSimulators[] = {
    [](const SimulatorEndpoints& where) { return MakeFlightGearTransport(where.flightGear.host, where.flightGear.port); },
    [](const SimulatorEndpoints& where) { return MakeXPlaneTransport(where.xPlane.host, where.xPlane.port); },
};

// The interface module first, then the simulators reached through their
// own interfaces. When none answers the link is left on the interface module.
bool ConnectSimulator(WindowHandle owner, SimLink& link) {
  // A link left from an earlier flight is opened afresh.
  link.UseOtherTransport(nullptr);
  int code = 0;
  if (link.Open(code)) return true;
  const SimulatorEndpoints where = ReadSimulatorEndpoints();
  for (const auto& make : kOtherSimulators) {
    link.UseOtherTransport(make(where));
    if (link.Open(code)) return true;
  }
  link.UseOtherTransport(nullptr);
  Tell(owner, kSimulatorMissing);
  return false;
}

}  // namespace

FlyPreparation PrepareFlight(WindowHandle owner, const std::string& flightId, SimLink& link) {
  Database store(owner);
  AvailableFlight flight;
  // A flight that cannot be read cannot be checked for expiry; the store has told the pilot.
  if (!store.ReadAvailableFlight(flightId, flight)) return {};
  if (const char* expired = ExpiredMessage(flight)) {
    Tell(owner, expired);
    return {};
  }
  if (!ConnectSimulator(owner, link)) return {};
  std::vector<std::string> saved;
  store.ReadTempFlightIds(saved);
  return {.go = true, .resume = std::ranges::find(saved, flightId) != saved.end()};
}

}  // namespace kestrix
