#pragma once

#include <cstdint>
#include <string>

#include "server/live_feed.h"
#include "sim/sim_sampling.h"
#include "store/records.h"

namespace kestrix {

// Everything a live report is made of at the moment it is sent.
struct LiveFeedState {
  const std::string& pilotNumber;
  const AvailableFlight& flight;
  const FlightRecord& tempFlight;
  const LiveFeedExtras& extras;
  int32_t fuelUsed;
  int64_t now;
};

// "270\xB0 @ 15kts": the degree sign is the system code page's.
std::string WindText(int32_t direction, int32_t speed);
LiveFeedRecord MakeLiveFeedRecord(const LiveFeedState& state);
LiveFeedRecord MakeOfflineNotice(const std::string& pilotNumber);

}  // namespace kestrix
