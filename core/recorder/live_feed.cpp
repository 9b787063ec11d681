#include "recorder/live_feed.h"


#include "recorder/result_texts.h"
#include "server/command_request.h"

namespace kestrix {

namespace {

int32_t PilotNumberValue(const std::string& pilotNumber) {
  return static_cast<int32_t>(LeadingDecimal(pilotNumber));
}

}  // namespace

std::string WindText(int32_t direction, int32_t speed) {
  return std::to_string(direction) + "\xB0 @ " + std::to_string(speed) + "kts";
}

LiveFeedRecord MakeLiveFeedRecord(const LiveFeedState& state) {
  const FlightRecord& flight = state.tempFlight;
  LiveFeedRecord record;
  record.pilotNumber = PilotNumberValue(state.pilotNumber);
  record.flightKey = state.flight.type + "///" + state.flight.flightId;
  record.altitude = flight.altitude;
  record.heading = flight.heading;
  record.trueAirspeed = flight.trueAirspeed;
  record.groundSpeed = state.extras.groundSpeed;
  record.departure = state.flight.departure;
  record.arrival = state.flight.arrival;
  record.latitude = flight.lastLatitude;
  record.longitude = flight.lastLongitude;
  record.aircraft = state.extras.aircraftTitle;
  // Whole minutes with the days, so a flight past 24 hours keeps counting.
  record.minutesFlown = WholeMinutes(flight.recordedTime) + flight.priorMinutes;
  record.reportTime = static_cast<int32_t>(state.now);
  record.flightNumber = state.flight.flightNumber;
  record.airline = state.flight.airlineIcao;
  record.fuelRemaining = flight.fuelRemaining;
  record.fuelCapacity = state.extras.fuelCapacity;
  record.fuelUsed = state.fuelUsed;
  record.outsideAirTemp = state.extras.outsideAirTempF;
  record.wind = WindText(WindDirectionForReport(state.extras, flight.altitude), state.extras.windSpeed);
  record.landingRate = flight.landingRate;
  return record;
}

LiveFeedRecord MakeOfflineNotice(const std::string& pilotNumber) { return OfflineNotice(PilotNumberValue(pilotNumber)); }

}  // namespace kestrix
