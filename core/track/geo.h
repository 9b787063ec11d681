#pragma once

namespace kestrix {

// A position in degrees, latitude north and longitude east positive.
struct GeoPoint {
  double latitude = 0;
  double longitude = 0;
};

}  // namespace kestrix
