#include "sim/sim_offset_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "sim/sim_link.h"
#include "sim/sim_sampling.h"
#include "sim/sim_wire.h"

namespace kestrix {
namespace {

constexpr double kTwo32 = 4294967296.0;
constexpr double kFeetPerMetre = 3.28084;
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;

template <typename T>
void Put(std::vector<unsigned char>& memory, uint32_t offset, T value) {
  std::memcpy(memory.data() + offset, &value, sizeof value);
}

template <typename T>
T Get(const unsigned char* data) {
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

// Nearest raw value, saturating: the variables may come from another program.
template <typename Int>
Int Rounded(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
  if (value <= static_cast<double>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
  return static_cast<Int>(std::llround(value));
}

// Nearest raw value; a full turn wraps to 0.
uint32_t TrueHeadingRaw(double degrees) {
  if (!std::isfinite(degrees)) return 0;
  const double turns = degrees / 360 - std::floor(degrees / 360);
  return static_cast<uint32_t>(static_cast<uint64_t>(std::llround(turns * kTwo32)) & 0xFFFFFFFFu);
}

uint16_t DirectionRaw(double degrees) {
  if (!std::isfinite(degrees)) return 0;
  const double turns = degrees / 360 - std::floor(degrees / 360);
  return static_cast<uint16_t>(std::llround(turns * 65536) & 0xFFFF);
}

}  // namespace

double SimVariables::FuelPounds() const {
  double gallons = 0;
  for (int tank = 0; tank < SimOffset::kFuelTankCount; ++tank) gallons += tankLevel[tank] * tankCapacity[tank];
  return gallons * fuelWeight;
}

double SimVariables::CapacityPounds() const {
  double gallons = 0;
  for (double capacity : tankCapacity) gallons += capacity;
  return gallons * fuelWeight;
}

void SimOffsetImage::Render(const SimVariables& s) {
  using namespace SimOffset;
  Put<uint16_t>(memory, PauseControl, s.paused);
  Put<uint16_t>(memory, Paused, s.paused);
  Put<int16_t>(memory, MagneticVariation, Rounded<int16_t>(s.magneticVariation * 65536 / 360));
  Put<uint32_t>(memory, GroundSpeed, Rounded<uint32_t>(s.groundSpeed * kMetresPerSecondPerKnot * 65536));
  Put<uint32_t>(memory, TrueAirspeed, Rounded<uint32_t>(s.trueAirspeed * 128));
  Put<int32_t>(memory, TouchdownVerticalSpeed, Rounded<int32_t>(s.touchdownVerticalSpeed / 60 / kFeetPerMetre * 256));
  Put<uint16_t>(memory, OnGround, s.onGround);
  Put<int64_t>(memory, Latitude, LatitudeToRaw(s.latitude));
  Put<int64_t>(memory, Longitude, LongitudeToRaw(s.longitude));
  Put<int64_t>(memory, Altitude, Rounded<int64_t>(s.altitude / kFeetPerMetre * kTwo32));
  Put<uint32_t>(memory, TrueHeading, TrueHeadingRaw(s.trueHeading));
  Put<uint16_t>(memory, Slew, s.slew);
  Put<uint16_t>(memory, FuelWeight, Rounded<uint16_t>(s.fuelWeight * 256));
  for (int tank = 0; tank < kFuelTankCount; ++tank) {
    Put<uint32_t>(memory, kFuelTanks[tank].level, Rounded<uint32_t>(s.tankLevel[tank] * 128 * 65536));
    Put<uint32_t>(memory, kFuelTanks[tank].capacity, Rounded<uint32_t>(s.tankCapacity[tank]));
  }
  Put<uint16_t>(memory, SimulationRate, static_cast<uint16_t>(s.simRate));
  Put<int16_t>(memory, OutsideAirTemp, Rounded<int16_t>(s.outsideAirTempC * 256));
  Put<uint16_t>(memory, WindSpeed, Rounded<uint16_t>(s.windSpeed));
  Put<uint16_t>(memory, WindDirection, DirectionRaw(s.windDirection));
  Put<int16_t>(memory, SurfaceLayerTop, Rounded<int16_t>(s.surfaceLayerTop));
  Put<uint32_t>(memory, TotalFuelWeight, Rounded<uint32_t>(s.FuelPounds()));
  Put<double>(memory, AirspeedFeetPerSecond, s.airspeedFeetPerSecond);
  Put<uint32_t>(memory, RadioAltitude, Rounded<uint32_t>(std::max(0.0, s.RadioAltitude()) / kFeetPerMetre * 65536));
  Put<uint16_t>(memory, FuelMarker, s.fuelMarker);
  Put<uint32_t>(memory, InterfaceVersion, s.interfaceVersion);
  Put<uint32_t>(memory, SimulatorVersion, uint32_t(s.versionCheck) << 16 | s.versionWord);
  std::memset(memory.data() + AircraftTitle, 0, AircraftTitleBytes);
  std::memcpy(memory.data() + AircraftTitle, s.title.data(), std::min<size_t>(s.title.size(), AircraftTitleBytes - 1));
}

void SimOffsetImage::Read(uint32_t offset, unsigned char* out, uint32_t size) const {
  std::memset(out, 0, size);
  if (offset < kSpace) std::memcpy(out, memory.data() + offset, std::min<size_t>(size, kSpace - offset));
}

unsigned SimOffsetImage::Write(uint32_t offset, const unsigned char* data, uint32_t size, SimVariables& s) {
  if (offset < kSpace) std::memcpy(memory.data() + offset, data, std::min<size_t>(size, kSpace - offset));
  using namespace SimOffset;
  auto is = [&](uint32_t known, uint32_t bytes) { return offset == known && size == bytes; };
  if (is(PauseControl, 2)) {
    s.paused = Get<uint16_t>(data) != 0;
    return SimChange::Pause;
  }
  if (is(Slew, 2)) {
    s.slew = Get<uint16_t>(data) != 0;
    return SimChange::Slew;
  }
  if (is(SimulationRate, 2)) {
    s.simRate = Get<uint16_t>(data);
    return SimChange::Rate;
  }
  if (is(FuelMarker, 2)) {
    s.fuelMarker = Get<uint16_t>(data);
    return SimChange::FuelMarker;
  }
  if (is(LibraryVersion, 2)) {
    s.libraryVersion = Get<uint16_t>(data);
    return SimChange::LibraryVersion;
  }
  if (is(TrueHeading, 4)) {
    s.trueHeading = Get<uint32_t>(data) * 360.0 / kTwo32;
    return SimChange::Heading;
  }
  if (is(AirspeedFeetPerSecond, 8)) {
    s.airspeedFeetPerSecond = Get<double>(data);
    if (!std::isfinite(s.airspeedFeetPerSecond)) return 0;
    s.trueAirspeed = std::max(0.0, s.airspeedFeetPerSecond / KnotsToFeetPerSecond(1));
    return SimChange::Airspeed;
  }
  if (is(Latitude, 8)) s.latitude = LatitudeFromRaw(Get<int64_t>(data));
  if (is(Longitude, 8)) s.longitude = LongitudeFromRaw(Get<int64_t>(data));
  if (is(Altitude, 8)) s.altitude = Get<int64_t>(data) * kFeetPerMetre / kTwo32;
  return is(Latitude, 8) || is(Longitude, 8) || is(Altitude, 8) ? SimChange::Position : 0;
}

bool WalkSimBlock(unsigned char* block, const SimRecordVisitor& visit) {
  size_t position = 0;
  for (;;) {
    if (position + 4 > kSimRequestArea) return false;
    const uint32_t kind = GetU32(block + position);
    if (kind == 0) return true;
    const size_t header = kind == kSimRecordRead ? kSimReadHeader : kSimWriteHeader;
    if ((kind != kSimRecordRead && kind != kSimRecordWrite) || position + header > kSimRequestArea) return false;
    const uint32_t offset = GetU32(block + position + 4);
    const uint32_t size = GetU32(block + position + 8);
    if (size > kSimRequestArea - position - header) return false;
    visit(kind, offset, block + position + header, size);
    position += header + size;
  }
}

}  // namespace kestrix
