#pragma once

#include <cstdint>
#include <string>

#include "store/records.h"

namespace kestrix {

// The five value lines of the flight result dialog.
struct FlightResultTexts {
  std::string flightNumber;
  std::string route;
  std::string duration;
  std::string fuelUsed;
  std::string landingRate;
};

// The last recorded values of a saved flight, as the resume dialog shows them.
struct ResumeValuesTexts {
  std::string title;
  std::string latitude;
  std::string longitude;
  std::string altitude;
  std::string heading;
  std::string fuelRemaining;
  std::string flightTime;
  std::string groundRemaining;
};

// Whole minutes of a duration in seconds, days included.
int32_t WholeMinutes(int64_t seconds);

// The flight number as the pilot knows it: a bare number gets the airline code in front.
std::string DisplayedFlightNumber(const AvailableFlight& flight);
std::string DurationText(int32_t minutes);
FlightResultTexts MakeResultTexts(const AvailableFlight& flight, const FlightRecord& record);

// Hemisphere letter, degrees, minutes and hundredths of a minute; empty for exactly 0.
std::string DegreesMinutesText(double value, bool latitude);
ResumeValuesTexts MakeResumeValuesTexts(const FlightRecord& record, int32_t maxGroundMinutes);

}  // namespace kestrix
