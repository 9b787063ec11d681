#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/records.h"

namespace kestrix::airline {

// A pilot's schedule of `count` flights, the same for the same seed: real
// airports and made-up airlines, names entity-encoded as the server sends
// them, several flight types (some with GUID flight ids), some records without
// aircraft or effective date, and expiry dates in the future, in the past, with
// a single "/" or empty.
std::vector<AvailableFlight> GenerateSchedule(uint32_t seed, size_t count);

// The schedule reply: one "key=value#...$" record per flight; empty aircraft
// and effective dates are left out.
std::string FormatSchedule(const std::vector<AvailableFlight>& flights);

}  // namespace kestrix::airline
