#include "track/coastlines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kestrix {

extern const unsigned char kCoastlineData[];
extern const size_t kCoastlineDataSize;

namespace {

constexpr char kMagic[] = "KXCOAST1";
constexpr size_t kMagicSize = 8;
constexpr double kOffsetUnits = 65535.0;

// Reads little-endian values and remembers whether the data ran out.
class ByteReader {
 public:
  ByteReader(const unsigned char* data, size_t size) : data(data), size(size) {}
  uint16_t U16() {
    if (!Has(2)) return 0;
    const uint16_t value = static_cast<uint16_t>(data[at] | (data[at + 1] << 8));
    at += 2;
    return value;
  }
  uint32_t U32() {
    const uint32_t low = U16();
    return low | (static_cast<uint32_t>(U16()) << 16);
  }
  bool Has(size_t count) {
    if (size - at < count) failed = true;
    return !failed;
  }
  bool Failed() const { return failed; }
  bool AtEnd() const { return at == size; }

 private:
  const unsigned char* data;
  size_t size;
  size_t at = kMagicSize;
  bool failed = false;
};

CoastSegment ReadSegment(ByteReader& reader, double binDegrees) {
  const double west = static_cast<int16_t>(reader.U16());
  const double south = static_cast<int16_t>(reader.U16());
  const uint16_t count = reader.U16();
  CoastSegment segment;
  if (!reader.Has(size_t{count} * 4)) return segment;
  segment.points.reserve(count);
  for (uint16_t i = 0; i < count; ++i) {
    const double east = west + reader.U16() * binDegrees / kOffsetUnits;
    const double north = south + reader.U16() * binDegrees / kOffsetUnits;
    segment.points.push_back({north, east});
  }
  const auto [minLon, maxLon] = std::minmax_element(segment.points.begin(), segment.points.end(),
                                                    [](auto& a, auto& b) { return a.longitude < b.longitude; });
  const auto [minLat, maxLat] = std::minmax_element(segment.points.begin(), segment.points.end(),
                                                    [](auto& a, auto& b) { return a.latitude < b.latitude; });
  if (!segment.points.empty()) {
    segment.west = minLon->longitude;
    segment.east = maxLon->longitude;
    segment.south = minLat->latitude;
    segment.north = maxLat->latitude;
  }
  return segment;
}

}  // namespace

bool ReadCoastlines(const unsigned char* data, size_t size, std::vector<CoastSegment>& segments) {
  segments.clear();
  if (size < kMagicSize || std::memcmp(data, kMagic, kMagicSize) != 0) return false;
  ByteReader reader(data, size);
  const uint16_t binMinutes = reader.U16();
  const uint32_t count = reader.U32();
  // Each segment takes at least its six header bytes: a count beyond that is a lie.
  if (reader.Failed() || binMinutes == 0 || count > size / 6) return false;
  segments.reserve(count);
  for (uint32_t i = 0; i < count && !reader.Failed(); ++i) segments.push_back(ReadSegment(reader, binMinutes / 60.0));
  if (reader.Failed() || !reader.AtEnd()) {
    segments.clear();
    return false;
  }
  return true;
}

const std::vector<CoastSegment>& BuiltInCoastlines() {
  static const std::vector<CoastSegment> coastlines = [] {
    std::vector<CoastSegment> segments;
    ReadCoastlines(kCoastlineData, kCoastlineDataSize, segments);
    return segments;
  }();
  return coastlines;
}

}  // namespace kestrix
