// Stored flight points: the first eight bytes give the point count a row
// claims, the rest is the blob. Whatever decodes must encode back to the
// same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "store/records.h"

using namespace kestrix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint64_t claimed = 0;
  const size_t head = size < sizeof claimed ? size : sizeof claimed;
  std::memcpy(&claimed, data, head);
  const unsigned char* blob = data + head;
  const size_t blobSize = size - head;

  const std::vector<FlightPoint> points = DecodeFlightPoints(blob, blobSize, static_cast<size_t>(claimed));
  if (points.size() > claimed || points.size() > blobSize / kFlightPointBytes) __builtin_trap();
  const std::vector<unsigned char> encoded = EncodeFlightPoints(points);
  if (encoded.size() != points.size() * kFlightPointBytes) __builtin_trap();
  if (!encoded.empty() && std::memcmp(encoded.data(), blob, encoded.size()) != 0) __builtin_trap();
  return 0;
}
