#pragma once

#include <cstdint>
#include <string>

#include "platform/message_box.h"

namespace kestrix {

// How a command on a flight ended.
enum class CommandOutcome {
  Declined,  // the pilot said No, or there was no connection: nothing changed
  Done,
  Failed,    // the pilot has been told
};

// Shows the internet message, owned by `owner`, unless the internet is connected.
bool EnsureConnected(WindowHandle owner);

// With a connection: downloads the pilot's schedule and merges it into the
// store (clearing the list when the server has no flights), then purges the
// reports that lost their flight. Without one nothing happens.
void DownloadFlights(WindowHandle owner);

// The main dialog's status change to `target` (StatusRequest::RefuelingStop
// or Completed). A flight that is the other of the two just changes; one in
// progress first has its saved temporary flight completed into a report.
CommandOutcome ChangeFlightStatus(WindowHandle owner, const std::string& flightId, int32_t target);

// The file flight reports dialog's change of a completed flight to a refuelling stop.
CommandOutcome MarkRefuelingStop(WindowHandle owner, const std::string& flightId);

// Deletes the flight's data: asks, removes the flight's report from the
// server unless it is filed, then removes the flight locally (keeping a
// filed one marked removed).
CommandOutcome DeleteFlight(WindowHandle owner, const std::string& flightId);

}  // namespace kestrix
