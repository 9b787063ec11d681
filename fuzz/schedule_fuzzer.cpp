// A schedule reply as the server sends it, its dates, and its merge with the
// flights already stored: the input holds the stored list's reply, a zero
// byte, and the downloaded list's reply.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "server/schedule.h"
#include "store/database.h"

using namespace kestrix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  std::vector<AvailableFlight> stored;
  std::vector<AvailableFlight> downloaded;
  ParseSchedule(input.substr(0, split), downloaded);
  if (split != std::string_view::npos) {
    stored = downloaded;
    downloaded.clear();
    ParseSchedule(input.substr(split + 1), downloaded);
  }
  for (const AvailableFlight& flight : downloaded) {
    IsDateExpired(flight.effectiveDate);
    IsDateExpired(flight.expiryDate);
  }
  const size_t before = downloaded.size();
  MergeAvailableFlights(stored, downloaded);
  // The merge keeps every downloaded flight and adds only stored ones.
  if (downloaded.size() < before || downloaded.size() > before + stored.size()) __builtin_trap();
  return 0;
}
