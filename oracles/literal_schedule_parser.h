#pragma once

#include <string>
#include <vector>

#include "protocol/reply_format.h"
#include "store/records.h"

namespace kestrix::oracle {

// The schedule loop written the plain way: cut each record and each pair off
// the front of the text. Quadratic on a large reply; kept as the reference
// the indexed parser must agree with.
inline size_t LiteralParseSchedule(std::string reply, std::vector<AvailableFlight>& flights) {
  size_t count = 0;
  for (size_t end = reply.find('$'); end != std::string::npos; end = reply.find('$')) {
    std::string record = reply.substr(0, end);
    reply.erase(0, end + 1);
    record += "#";
    AvailableFlight flight;
    flight.aircraftType = "==";
    flight.effectiveDate = "0";
    for (size_t hash = record.find('#'); hash != std::string::npos; hash = record.find('#')) {
      const std::string pair = record.substr(0, hash);
      record.erase(0, hash + 1);
      const size_t equals = pair.find('=');
      const std::string key = pair.substr(0, equals);
      // Without "=", npos + 1 wraps to 0 and the value is the whole pair.
      const std::string value = pair.substr(equals + 1);
      if (key == "type") flight.type = value;
      else if (key == "fltid") flight.flightId = value;
      else if (key == "dep") flight.departure = value;
      else if (key == "depNm") flight.departureName = DecodeEntities(value);
      else if (key == "arr") flight.arrival = value;
      else if (key == "arrNm") flight.arrivalName = DecodeEntities(value);
      else if (key == "airlineIcao") flight.airlineIcao = value;
      else if (key == "fn") flight.flightNumber = value;
      else if (key == "airlineNm") flight.airlineName = DecodeEntities(value);
      else if (key == "acftt") flight.aircraftType = value;
      else if (key == "effdate") flight.effectiveDate = value;
      else if (key == "expDt") flight.expiryDate = value;
    }
    flight.localId = NewGuidString();
    flight.status = 0;
    flights.push_back(flight);
    ++count;
  }
  return count;
}

}  // namespace kestrix::oracle
