#pragma once

#include <string>
#include <vector>

#include "store/records.h"
#include "track/geo.h"

namespace kestrix {

// One leg of a flight as recorded: its points, and its landing once it has landed.
struct TrackLeg {
  std::vector<FlightPoint> points;
  bool landed = false;
  double landingRate = 0;  // feet per minute at the touchdown, negative is down
};

// What the track map shows of a flight: the route's codes and its legs.
struct FlightTrack {
  std::string departure;
  std::string arrival;
  std::vector<TrackLeg> legs;

  size_t PointCount() const;
  std::vector<GeoPoint> Positions() const;
};

// A stored flight: every report of it, in store order, is a landed leg.
FlightTrack TrackOfReports(const AvailableFlight& flight, const std::vector<FlightRecord>& reports);

// The flight being recorded: the collector's points so far, landed once the
// recorder has seen the touchdown.
FlightTrack TrackOfRecording(const AvailableFlight& flight, const FlightRecord& tempFlight,
                             const std::vector<FlightPoint>& points);

// One point of the altitude profile: nautical miles flown so far along the
// track, and the altitude there.
struct ProfilePoint {
  double distance = 0;
  int32_t altitude = 0;
};

// The profile of each leg, the distance running on over all legs. The
// stored points carry no time, so the profile runs over the distance flown.
std::vector<std::vector<ProfilePoint>> AltitudeProfile(const FlightTrack& track);

// "-212.50 FT/MIN", as the flight's results show the landing rate.
std::string LandingRateText(double feetPerMinute);

}  // namespace kestrix
