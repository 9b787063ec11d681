#include "app/fly_command.h"

#include <algorithm>
#include <vector>

#include "app/flight_list.h"
#include "platform/clock.h"
#include "store/database.h"

namespace kestrix {
namespace {

constexpr const char* kSimulatorMissing =
    "Unable to find Flight Simulator.\n\n"
    "Please make sure that the simulator is running and that its interface module is installed.";

void Tell(WindowHandle owner, const char* text) {
  ShowMessageBox(owner, text, kProgramCaption, MessageKind::Information);
}

// The refusal for an expired flight, or null when it may be flown. Dated
// flights ("BID", "GA", "SPL") and timed ones ("HVH") are worded apart.
const char* ExpiredMessage(const AvailableFlight& flight) {
  if (!IsFlightExpired(flight, NowSeconds())) return nullptr;
  return flight.type == "HVH" ? "That flight has expired." : "That flight had expired.";
}

bool ConnectSimulator(WindowHandle owner, SimLink& link) {
  // A link left from an earlier flight is opened afresh.
  link.Close();
  int code = 0;
  if (link.Open(code)) return true;
  link.Close();
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
