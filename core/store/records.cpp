#include "store/records.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <type_traits>

namespace kestrix {
namespace {

static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559);

template <typename T>
void PutLittleEndian(T value, unsigned char* out) {
  auto bits = std::bit_cast<std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>>(value);
  for (size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

template <typename T>
T GetLittleEndian(const unsigned char* in) {
  using Bits = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
  Bits bits = 0;
  for (size_t i = 0; i < sizeof(T); ++i) bits |= static_cast<Bits>(in[i]) << (8 * i);
  return std::bit_cast<T>(bits);
}

}  // namespace

void EncodeFlightPoint(const FlightPoint& point, unsigned char* out) {
  PutLittleEndian(point.latitude, out);
  PutLittleEndian(point.longitude, out + 8);
  PutLittleEndian(point.altitude, out + 16);
  PutLittleEndian(point.heading, out + 20);
}

FlightPoint DecodeFlightPoint(const unsigned char* in) {
  return {GetLittleEndian<double>(in), GetLittleEndian<double>(in + 8), GetLittleEndian<int32_t>(in + 16),
          GetLittleEndian<int32_t>(in + 20)};
}

std::vector<unsigned char> EncodeFlightPoints(const std::vector<FlightPoint>& points) {
  std::vector<unsigned char> bytes(points.size() * kFlightPointBytes);
  for (size_t i = 0; i < points.size(); ++i) EncodeFlightPoint(points[i], bytes.data() + i * kFlightPointBytes);
  return bytes;
}

std::vector<FlightPoint> DecodeFlightPoints(const unsigned char* data, size_t size, size_t limit) {
  size_t count = std::min(size / kFlightPointBytes, limit);
  std::vector<FlightPoint> points;
  points.reserve(count);
  for (size_t i = 0; i < count; ++i) points.push_back(DecodeFlightPoint(data + i * kFlightPointBytes));
  return points;
}

}  // namespace kestrix
