#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/sim_link.h"
#include "sim/sim_offsets.h"
#include "store/records.h"

namespace kestrix {

// What the recorder checks on every tick, as the simulator reports it.
struct SimCheckFields {
  int32_t paused = 0;
  int32_t slewActive = 0;
  int32_t simRate = 0;  // 256 is the normal rate
  int32_t onGround = 0;
  int32_t touchdownVerticalSpeed = 0;  // 256 x metres/second, signed
  int32_t touchdownAirspeedRaw = 0;    // knots x 128
};

// The extra values a live position report carries.
struct LiveFeedExtras {
  int32_t magneticVariation = 0;  // whole degrees, signed (west negative)
  int32_t groundSpeed = 0;        // knots
  double fuelWeight = 0;          // pounds per US gallon
  std::string aircraftTitle;
  int32_t outsideAirTempF = 0;
  int32_t fuelCapacity = 0;  // pounds
  int32_t windSpeed = 0;     // knots
  int32_t windDirection = 0;  // degrees true, as read
  int32_t surfaceLayerTop = 0;  // feet
};

// Raw values of one fuel reading.
struct FuelReading {
  uint16_t versionWord = 0;
  uint16_t fuelWeightRaw = 0;
  std::array<uint32_t, SimOffset::kFuelTankCount> levels{};
  std::array<uint32_t, SimOffset::kFuelTankCount> capacities{};
  uint32_t totalFuelWeight = 0;
};

// Conversions between the simulator's raw values and the recorder's units.
double LatitudeFromRaw(int64_t raw);
double LongitudeFromRaw(int64_t raw);
int32_t AltitudeFeetFromRaw(int64_t raw);
int32_t RadioAltitudeFeetFromRaw(uint32_t raw);
int16_t OutsideAirTempFromRaw(int16_t raw);
int32_t VariationDegreesFromRaw(uint16_t raw);
// Whole magnetic degrees 1 to 360 from the raw true heading and variation.
int32_t MagneticHeadingFromRaw(uint32_t rawTrueHeading, uint16_t rawVariation);
int32_t FuelPoundsFromReading(const FuelReading& reading);
int32_t GroundSpeedKnotsFromRaw(uint32_t raw);
int32_t OutsideAirTempFahrenheitFromRaw(int16_t raw);
int32_t WindDirectionFromRaw(uint16_t raw);
int32_t SurfaceLayerTopFeetFromRaw(int16_t raw);
// The wind direction a live report sends, given the aircraft's altitude in feet.
int32_t WindDirectionForReport(const LiveFeedExtras& extras, int32_t altitudeFeet);

int64_t LatitudeToRaw(double degrees);
int64_t LongitudeToRaw(double degrees);
int64_t AltitudeFeetToRaw(int32_t feet);
double KnotsToFeetPerSecond(int32_t knots);
// Raw true heading for a magnetic heading, given the raw variation.
uint32_t TrueHeadingRawFromMagnetic(int32_t magneticHeading, uint16_t rawVariation);

// The per-tick sample: two batches. Fills `checks` and the flight's
// simulator fields (trueAirspeed, position and last position, altitude,
// heading, outsideAirTemp, radioAltitude, fuelMarker) only when both batches
// succeed. The fuel reading is separate (ReadFuel), taken after this one.
bool SampleSimulator(SimLink& link, SimCheckFields& checks, FlightRecord& flight, int& result);
// Total fuel on board in whole pounds.
bool ReadFuel(SimLink& link, int32_t& pounds, int& result);
bool ReadFuelMarker(SimLink& link, int32_t& marker, int& result);
bool ReadOnGround(SimLink& link, int32_t& onGround, int& result);
bool ReadLiveFeedExtras(SimLink& link, LiveFeedExtras& extras, int& result);

// Places the aircraft at the flight's last position, altitude, airspeed and
// heading: pauses the simulator, writes the position, waits 2000 ms on the
// program clock, then writes the true heading. Stops at the first failure;
// what was processed before it stays in effect.
bool PlaceAircraft(SimLink& link, const FlightRecord& flight, int& result);

}  // namespace kestrix
