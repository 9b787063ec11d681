#include "sim/sim_sampling.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/clock.h"

namespace kestrix {
namespace {

constexpr double kTwo32 = 4294967296.0;
constexpr double kTwo64 = 18446744073709551616.0;
constexpr double kLatitudeScale = 10001750.0 * 65536.0 * 65536.0;
constexpr double kFeetPerMetre = 3.28084;
constexpr double kFeetPerSecondPerKnot = 1.68780986;
constexpr int64_t kPlacementSettleMs = 2000;

// Truncating conversions that saturate instead of overflowing, since the
// raw values come from another program.
template <typename Int>
Int Truncate(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
  if (value <= static_cast<double>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
  return static_cast<Int>(value);
}

int32_t RoundHalfAway(double value) { return Truncate<int32_t>(std::round(value)); }

// Queues reads and writes in order, stopping at the first one that fails.
class Batch {
 public:
  Batch(SimLink& link, int& result) : link(link), result(result) {}
  Batch& Read(uint32_t offset, uint32_t size, void* destination) {
    ok = ok && link.Read(size, offset, destination, result);
    return *this;
  }
  template <typename T>
  Batch& Read(uint32_t offset, T& destination) {
    return Read(offset, sizeof destination, &destination);
  }
  template <typename T>
  Batch& Write(uint32_t offset, const T& value) {
    ok = ok && link.Write(sizeof value, offset, &value, result);
    return *this;
  }
  // An abandoned batch must not leave requests behind whose destinations die with it.
  bool Process() {
    if (!ok) link.DiscardQueued();
    return ok && link.Process(result);
  }

 private:
  SimLink& link;
  int& result;
  bool ok = true;
};

int32_t WholeDegrees(int32_t degrees) {
  int32_t wrapped = ((degrees % 360) + 360) % 360;
  return wrapped == 0 ? 360 : wrapped;
}

}  // namespace

double LatitudeFromRaw(int64_t raw) { return static_cast<double>(raw) * 90.0 / kLatitudeScale; }
double LongitudeFromRaw(int64_t raw) { return static_cast<double>(raw) * 360.0 / kTwo64; }

int32_t AltitudeFeetFromRaw(int64_t raw) {
  return Truncate<int32_t>(static_cast<double>(raw) * kFeetPerMetre / kTwo32);
}

int32_t RadioAltitudeFeetFromRaw(uint32_t raw) { return Truncate<int32_t>(raw * kFeetPerMetre / 65536.0); }

int16_t OutsideAirTempFromRaw(int16_t raw) { return static_cast<int16_t>(raw / 256); }

int32_t VariationDegreesFromRaw(uint16_t raw) { return static_cast<int32_t>(raw * 360.0 / 65536.0); }

int32_t MagneticHeadingFromRaw(uint32_t rawTrueHeading, uint16_t rawVariation) {
  int32_t trueHeading = static_cast<int32_t>(rawTrueHeading * 360.0 / kTwo32);
  int32_t variation = VariationDegreesFromRaw(rawVariation);
  int32_t heading = trueHeading - variation;
  if (heading > 360)
    heading -= 360;
  else if (trueHeading == variation)
    heading = 360;
  else if (heading < 0)
    heading += 360;
  return heading;
}

int32_t FuelPoundsFromReading(const FuelReading& reading) {
  if (reading.versionWord == 8 || reading.versionWord == 10)
    return Truncate<int32_t>(static_cast<double>(reading.totalFuelWeight));
  double gallons = 0;
  for (int tank = 0; tank < SimOffset::kFuelTankCount; ++tank)
    gallons += reading.levels[tank] / 128.0 / 65536.0 * reading.capacities[tank];
  return Truncate<int32_t>(reading.fuelWeightRaw / 256.0 * gallons);
}

int32_t GroundSpeedKnotsFromRaw(uint32_t raw) { return RoundHalfAway(raw / 65536.0 * 3600.0 / 1852.0); }

int32_t OutsideAirTempFahrenheitFromRaw(int16_t raw) { return Truncate<int32_t>(raw / 256.0 * 9.0 / 5.0 + 32.0); }

int32_t WindDirectionFromRaw(uint16_t raw) { return RoundHalfAway(raw * 360.0 / 65536.0); }

int32_t SurfaceLayerTopFeetFromRaw(int16_t raw) { return Truncate<int32_t>(raw * kFeetPerMetre); }

int32_t WindDirectionForReport(const LiveFeedExtras& extras, int32_t altitudeFeet) {
  int32_t direction = extras.windDirection;
  if (extras.surfaceLayerTop < altitudeFeet) direction -= extras.magneticVariation;
  if (direction < 0) direction = 360 + direction;
  return direction;
}

int64_t LatitudeToRaw(double degrees) { return Truncate<int64_t>(degrees * kLatitudeScale / 90.0); }
int64_t LongitudeToRaw(double degrees) { return Truncate<int64_t>(degrees * kTwo64 / 360.0); }
int64_t AltitudeFeetToRaw(int32_t feet) { return Truncate<int64_t>(feet / (kFeetPerMetre / kTwo32)); }
double KnotsToFeetPerSecond(int32_t knots) { return knots * kFeetPerSecondPerKnot; }

uint32_t TrueHeadingRawFromMagnetic(int32_t magneticHeading, uint16_t rawVariation) {
  // A stored heading can hold any 32-bit value: wrap it before adding.
  int32_t trueHeading = WholeDegrees(WholeDegrees(magneticHeading) + VariationDegreesFromRaw(rawVariation));
  return static_cast<uint32_t>(static_cast<uint64_t>(trueHeading * kTwo32 / 360.0) & 0xFFFFFFFFu);
}

bool SampleSimulator(SimLink& link, SimCheckFields& checks, FlightRecord& flight, int& result) {
  uint16_t paused = 0, slew = 0, rate = 0, onGround = 0, variation = 0;
  int32_t touchdownVerticalSpeed = 0;
  uint32_t touchdownAirspeed = 0, trueAirspeed = 0;
  if (!Batch(link, result)
           .Read(SimOffset::Paused, paused)
           .Read(SimOffset::Slew, slew)
           .Read(SimOffset::SimulationRate, rate)
           .Read(SimOffset::OnGround, onGround)
           .Read(SimOffset::TouchdownVerticalSpeed, touchdownVerticalSpeed)
           .Read(SimOffset::TrueAirspeed, touchdownAirspeed)
           .Read(SimOffset::MagneticVariation, variation)
           .Read(SimOffset::TrueAirspeed, trueAirspeed)
           .Process())
    return false;

  int64_t latitude = 0, longitude = 0, altitude = 0;
  uint32_t heading = 0, radioAltitude = 0;
  int16_t outsideAirTemp = 0;
  uint16_t fuelMarker = 0;
  if (!Batch(link, result)
           .Read(SimOffset::Latitude, latitude)
           .Read(SimOffset::Longitude, longitude)
           .Read(SimOffset::Altitude, altitude)
           .Read(SimOffset::TrueHeading, heading)
           .Read(SimOffset::OutsideAirTemp, outsideAirTemp)
           .Read(SimOffset::RadioAltitude, radioAltitude)
           .Read(SimOffset::FuelMarker, fuelMarker)
           .Process())
    return false;

  checks.paused = paused;
  checks.slewActive = slew;
  checks.simRate = rate;
  checks.onGround = onGround;
  checks.touchdownVerticalSpeed = touchdownVerticalSpeed;
  checks.touchdownAirspeedRaw = static_cast<int32_t>(touchdownAirspeed);
  flight.trueAirspeed = static_cast<int32_t>(trueAirspeed >> 7);
  flight.latitude = flight.lastLatitude = LatitudeFromRaw(latitude);
  flight.longitude = flight.lastLongitude = LongitudeFromRaw(longitude);
  flight.altitude = AltitudeFeetFromRaw(altitude);
  flight.heading = MagneticHeadingFromRaw(heading, variation);
  flight.outsideAirTemp = OutsideAirTempFromRaw(outsideAirTemp);
  flight.radioAltitude = RadioAltitudeFeetFromRaw(radioAltitude);
  flight.fuelMarker = fuelMarker;
  return true;
}

bool ReadFuel(SimLink& link, int32_t& pounds, int& result) {
  FuelReading reading;
  Batch batch(link, result);
  batch.Read(SimOffset::SimulatorVersion, reading.versionWord).Read(SimOffset::FuelWeight, reading.fuelWeightRaw);
  for (int tank = 0; tank < SimOffset::kFuelTankCount; ++tank)
    batch.Read(SimOffset::kFuelTanks[tank].level, reading.levels[tank])
        .Read(SimOffset::kFuelTanks[tank].capacity, reading.capacities[tank]);
  if (!batch.Read(SimOffset::TotalFuelWeight, reading.totalFuelWeight).Process()) return false;
  pounds = FuelPoundsFromReading(reading);
  return true;
}

bool ReadFuelMarker(SimLink& link, int32_t& marker, int& result) {
  uint16_t raw = 0;
  if (!Batch(link, result).Read(SimOffset::FuelMarker, raw).Process()) return false;
  marker = raw;
  return true;
}

bool ReadOnGround(SimLink& link, int32_t& onGround, int& result) {
  uint16_t raw = 0;
  if (!Batch(link, result).Read(SimOffset::OnGround, raw).Process()) return false;
  onGround = raw;
  return true;
}

bool ReadLiveFeedExtras(SimLink& link, LiveFeedExtras& extras, int& result) {
  int16_t variation = 0, outsideAirTemp = 0, surfaceLayerTop = 0;
  uint32_t groundSpeed = 0;
  uint16_t fuelWeight = 0, windSpeed = 0, windDirection = 0;
  char title[SimOffset::AircraftTitleBytes] = {};
  std::array<uint32_t, SimOffset::kFuelTankCount> capacities{};
  Batch batch(link, result);
  batch.Read(SimOffset::MagneticVariation, variation)
      .Read(SimOffset::GroundSpeed, groundSpeed)
      .Read(SimOffset::FuelWeight, fuelWeight)
      .Read(SimOffset::AircraftTitle, title)
      .Read(SimOffset::OutsideAirTemp, outsideAirTemp);
  for (int tank = 0; tank < SimOffset::kFuelTankCount; ++tank)
    batch.Read(SimOffset::kFuelTanks[tank].capacity, capacities[tank]);
  if (!batch.Read(SimOffset::WindSpeed, windSpeed)
           .Read(SimOffset::WindDirection, windDirection)
           .Read(SimOffset::SurfaceLayerTop, surfaceLayerTop)
           .Process())
    return false;

  double gallons = 0;
  for (uint32_t capacity : capacities) gallons += capacity;
  extras.magneticVariation = static_cast<int32_t>(variation * 360.0 / 65536.0);
  extras.groundSpeed = GroundSpeedKnotsFromRaw(groundSpeed);
  extras.fuelWeight = fuelWeight / 256.0;
  // The title need not be terminated inside its 256 bytes.
  extras.aircraftTitle.assign(title, strnlen(title, sizeof title));
  extras.outsideAirTempF = OutsideAirTempFahrenheitFromRaw(outsideAirTemp);
  extras.fuelCapacity = Truncate<int32_t>(gallons * fuelWeight / 256.0);
  extras.windSpeed = windSpeed;
  extras.windDirection = WindDirectionFromRaw(windDirection);
  extras.surfaceLayerTop = SurfaceLayerTopFeetFromRaw(surfaceLayerTop);
  return true;
}

bool PlaceAircraft(SimLink& link, const FlightRecord& flight, int& result) {
  const uint16_t pause = 1;
  if (!Batch(link, result).Write(SimOffset::PauseControl, pause).Process()) return false;

  const int64_t latitude = LatitudeToRaw(flight.lastLatitude);
  const int64_t longitude = LongitudeToRaw(flight.lastLongitude);
  const int64_t altitude = AltitudeFeetToRaw(flight.altitude);
  const uint32_t level = 0;
  const double airspeed = KnotsToFeetPerSecond(flight.trueAirspeed);
  if (!Batch(link, result)
           .Write(SimOffset::Latitude, latitude)
           .Write(SimOffset::Longitude, longitude)
           .Write(SimOffset::Altitude, altitude)
           .Write(SimOffset::Pitch, level)
           .Write(SimOffset::Bank, level)
           .Write(SimOffset::AirspeedFeetPerSecond, airspeed)
           .Process())
    return false;

  SleepMs(kPlacementSettleMs);
  uint16_t variation = 0;
  if (!Batch(link, result).Read(SimOffset::MagneticVariation, variation).Process()) return false;
  const uint32_t heading = TrueHeadingRawFromMagnetic(flight.heading, variation);
  return Batch(link, result).Write(SimOffset::TrueHeading, heading).Process();
}

}  // namespace kestrix
