#pragma once

#include <cstdint>
#include <vector>

#include "store/records.h"

namespace kestrix {

// Great-circle distance in statute miles between two positions in degrees.
double GreatCircleMiles(double latitude1, double longitude1, double latitude2, double longitude2);

// Keeps a thinned track of a flight: a point at take-off, where a climb or
// descent begins or ends, on a heading change, after a long straight leg, and
// at touchdown.
class PointCollector {
 public:
  void Configure(int32_t altitudeTriggerFeet, int32_t headingTriggerDegrees, uint32_t maxPointCount);
  void Load(const std::vector<FlightPoint>& stored);
  void Start(const FlightPoint& point);
  void Finish(const FlightPoint& point);
  void Test(const FlightPoint& point);

  bool Active() const { return active; }
  const std::vector<FlightPoint>& Points() const { return points; }

 private:
  void Append(const FlightPoint& point);

  bool active = false;
  bool altitudeLevel = false;
  int32_t altitudeTrigger = 0;
  int32_t headingTrigger = 0;
  uint32_t maxPoints = 0;
  double lastPointLatitude = 0;
  double lastPointLongitude = 0;
  int32_t lastAltitude = 0;
  int32_t lastHeading = 0;
  std::vector<FlightPoint> points;
};

}  // namespace kestrix
