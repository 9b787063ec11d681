#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocol/reply_format.h"
#include "store/database.h"
#include "store/records.h"

namespace kestrix::test {

// A listed flight from KORD to KLAX whose number is its id.
inline AvailableFlight MakeFlight(const std::string& flightId, const std::string& type, int32_t status) {
  AvailableFlight flight;
  flight.localId = NewGuidString();
  flight.type = type;
  flight.flightId = flightId;
  flight.departure = "KORD";
  flight.arrival = "KLAX";
  flight.airlineIcao = "HAL";
  flight.flightNumber = flightId;
  flight.airlineName = "Halvorn Air";
  flight.aircraftType = "B738";
  flight.effectiveDate = "0";
  flight.expiryDate = "N/A";
  flight.status = status;
  return flight;
}

// Replaces the stored list by `flights`.
inline void StoreFlights(std::vector<AvailableFlight> flights) { Database().WriteAvailableFlights(flights, false); }

// Adds the flight at the end of the stored list and returns it.
inline AvailableFlight AppendFlight(const AvailableFlight& flight) {
  std::vector<AvailableFlight> flights;
  Database().ReadAvailableFlights(flights);
  flights.push_back(flight);
  StoreFlights(std::move(flights));
  return flight;
}

inline std::optional<AvailableFlight> StoredFlight(const std::string& flightId) {
  AvailableFlight flight;
  Database().ReadAvailableFlight(flightId, flight);
  if (flight.flightId != flightId) return std::nullopt;
  return flight;
}

}  // namespace kestrix::test
