#pragma once

#include <cstddef>
#include <vector>

#include "track/geo.h"

namespace kestrix {

// One piece of shoreline, with the box it lies in.
struct CoastSegment {
  std::vector<GeoPoint> points;
  double west = 0;
  double east = 0;
  double south = 0;
  double north = 0;
};

// Reads a compact coastline file: "KXCOAST1", the bin size in minutes (u16),
// the segment count (u32), then per segment the west and south edge of its
// bin in degrees (i16 each), its point count (u16) and its points as u16
// pairs of east and north offsets in 1/65535 of the bin size; little-endian.
// False, with `segments` empty, when the file is cut short or malformed.
bool ReadCoastlines(const unsigned char* data, size_t size, std::vector<CoastSegment>& segments);

// The world's shorelines at low resolution, compiled into the program; read once.
const std::vector<CoastSegment>& BuiltInCoastlines();

}  // namespace kestrix
