#include "track/flight_track.h"

#include <cstdio>

#include "recorder/point_collector.h"

namespace kestrix {
namespace {

constexpr double kNauticalPerStatuteMile = 0.868976;

}  // namespace

size_t FlightTrack::PointCount() const {
  size_t count = 0;
  for (const TrackLeg& leg : legs) count += leg.points.size();
  return count;
}

std::vector<GeoPoint> FlightTrack::Positions() const {
  std::vector<GeoPoint> positions;
  positions.reserve(PointCount());
  for (const TrackLeg& leg : legs)
    for (const FlightPoint& point : leg.points) positions.push_back({point.latitude, point.longitude});
  return positions;
}

FlightTrack TrackOfReports(const AvailableFlight& flight, const std::vector<FlightRecord>& reports) {
  FlightTrack track{flight.departure, flight.arrival, {}};
  for (const FlightRecord& report : reports)
    if (report.flightId == flight.flightId) track.legs.push_back({report.points, true, report.landingRate});
  return track;
}

FlightTrack TrackOfRecording(const AvailableFlight& flight, const FlightRecord& tempFlight,
                             const std::vector<FlightPoint>& points) {
  const bool landed = tempFlight.flightPhase == FlightPhase::Landed;
  return {flight.departure, flight.arrival, {{points, landed, tempFlight.landingRate}}};
}

std::vector<std::vector<ProfilePoint>> AltitudeProfile(const FlightTrack& track) {
  std::vector<std::vector<ProfilePoint>> profile;
  double distance = 0;
  const FlightPoint* previous = nullptr;
  for (const TrackLeg& leg : track.legs) {
    std::vector<ProfilePoint>& points = profile.emplace_back();
    for (const FlightPoint& point : leg.points) {
      if (previous)
        distance += GreatCircleMiles(previous->latitude, previous->longitude, point.latitude, point.longitude) *
                    kNauticalPerStatuteMile;
      points.push_back({distance, point.altitude});
      previous = &point;
    }
  }
  return profile;
}

std::string LandingRateText(double feetPerMinute) {
  char text[48];
  std::snprintf(text, sizeof text, "%0.2f FT/MIN", feetPerMinute);
  return text;
}

}  // namespace kestrix
