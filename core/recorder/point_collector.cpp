#include "recorder/point_collector.h"

#include <cmath>
#include <cstdlib>

namespace kestrix {

namespace {

constexpr double kEarthRadiusMiles = 3963.19;
constexpr double kLowAltitudeFeet = 10000;
constexpr double kLowLegMiles = 20;
constexpr double kLongLegMiles = 200;

double Radians(double degrees) {
  static const double pi = 4 * std::atan(1.0);
  return degrees * pi / 180;
}

// Difference of two headings the short way round, 0 to 180.
int64_t HeadingChange(int32_t from, int32_t to) {
  int64_t change = std::llabs(static_cast<int64_t>(from) - to);
  return change > 180 ? 360 - change : change;
}

}  // namespace

double GreatCircleMiles(double latitude1, double longitude1, double latitude2, double longitude2) {
  const double phi1 = Radians(latitude1);
  const double phi2 = Radians(latitude2);
  const double halfDeltaPhi = std::sin((phi1 - phi2) / 2);
  const double halfDeltaLambda = std::sin((Radians(longitude1) - Radians(longitude2)) / 2);
  const double a = halfDeltaPhi * halfDeltaPhi + std::cos(phi1) * std::cos(phi2) * halfDeltaLambda * halfDeltaLambda;
  return 2 * std::atan2(std::sqrt(a), std::sqrt(1 - a)) * kEarthRadiusMiles;
}

void PointCollector::Configure(int32_t altitudeTriggerFeet, int32_t headingTriggerDegrees, uint32_t maxPointCount) {
  altitudeTrigger = altitudeTriggerFeet;
  headingTrigger = headingTriggerDegrees;
  maxPoints = maxPointCount;
}

void PointCollector::Load(const std::vector<FlightPoint>& stored) { points = stored; }

void PointCollector::Start(const FlightPoint& point) {
  lastAltitude = point.altitude;
  lastHeading = point.heading;
  Append(point);
  altitudeLevel = false;
  active = true;
}

void PointCollector::Finish(const FlightPoint& point) {
  points.push_back(point);
  active = false;
}

void PointCollector::Test(const FlightPoint& point) {
  if (points.size() >= maxPoints) return;
  bool add = false;
  const int64_t climb = std::llabs(static_cast<int64_t>(lastAltitude) - point.altitude);
  if (climb > altitudeTrigger && altitudeLevel) {
    altitudeLevel = false;
    add = true;
  } else if (climb <= altitudeTrigger && !altitudeLevel) {
    altitudeLevel = true;
    add = true;
  }
  lastAltitude = point.altitude;
  if (HeadingChange(lastHeading, point.heading) > headingTrigger) {
    lastHeading = point.heading;
    add = true;
  }
  if (!add) {
    const double miles = GreatCircleMiles(lastPointLatitude, lastPointLongitude, point.latitude, point.longitude);
    add = (point.altitude < kLowAltitudeFeet && miles > kLowLegMiles) || miles > kLongLegMiles;
  }
  if (add) Append(point);
}

void PointCollector::Append(const FlightPoint& point) {
  points.push_back(point);
  lastPointLatitude = point.latitude;
  lastPointLongitude = point.longitude;
}

}  // namespace kestrix
