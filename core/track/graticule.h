#pragma once

#include <string>
#include <vector>

#include "track/map_projection.h"

namespace kestrix {

// One line of latitude or longitude as seen in a view, with its label.
struct GraticuleLine {
  bool parallel = false;  // a line of latitude; otherwise a meridian
  double degrees = 0;
  std::string label;
  std::vector<GeoPoint> points;  // west to east, or south to north
};

// The step between lines, in degrees, that shows about four to eight lines
// over `span` degrees.
double GraticuleStep(double span);

// "45°N", "33.5°S", "0°" for a latitude; "122°W", "2.25°E", "180°" for a
// longitude (any value, folded into -180 to 180). The degree sign is the
// code page's 0xB0.
std::string DegreeLabel(double degrees, bool latitude);

// The parallels and meridians crossing the view, each sampled finely enough
// to draw as a polyline; a pole in view brings in every meridian.
std::vector<GraticuleLine> GraticuleLines(const MapView& view);

}  // namespace kestrix
