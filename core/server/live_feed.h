#pragma once

#include <cstdint>
#include <string>

#include "server/http_engine.h"

namespace kestrix {

// One live position report, fields in the recorder's order.
struct LiveFeedRecord {
  int32_t pilotNumber = 0;
  std::string flightKey;  // type + "///" + flight id
  int32_t altitude = 0;
  int32_t heading = 0;
  int32_t trueAirspeed = 0;
  int32_t groundSpeed = 0;
  std::string departure;
  std::string arrival;
  double latitude = 0;
  double longitude = 0;
  std::string aircraft;
  int32_t minutesFlown = 0;
  int32_t reportTime = 0;
  std::string flightNumber;
  std::string airline;
  int32_t fuelRemaining = 0;
  int32_t fuelCapacity = 0;
  int32_t fuelUsed = 0;
  int32_t outsideAirTemp = 0;
  std::string wind;
  double landingRate = 0;
};

// The record that tells the server the pilot went off line.
LiveFeedRecord OfflineNotice(int32_t pilotNumber);

// The values as they travel: the full report in wire order, or for the
// offline notice just the pilot number and "DELETE".
std::string LiveFeedValues(const LiveFeedRecord& record, bool full);

// Sends a live report (full) or the offline notice; never shows a message.
// False without a request when the internet is not connected.
bool SendLiveReport(ServerLink& link, const LiveFeedRecord& record, bool full);

}  // namespace kestrix
