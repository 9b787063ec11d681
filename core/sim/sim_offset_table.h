#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/sim_offsets.h"

namespace kestrix {

// What a simulator knows about its aircraft, in plain units. The interface
// module's offsets are encoded from these in one place (SimOffsetImage), for
// the stand-in simulator and for every transport that answers the link from
// a simulator's own variables.
struct SimVariables {
  double latitude = 0;   // degrees
  double longitude = 0;  // degrees
  double altitude = 0;   // feet above sea level
  double groundElevation = 0;  // feet
  double trueHeading = 0;  // degrees, 0 to below 360
  double magneticVariation = 0;  // degrees, east positive
  double trueAirspeed = 0;   // knots
  double groundSpeed = 0;    // knots
  double verticalSpeed = 0;  // feet per minute
  bool onGround = true;
  bool paused = false;
  bool slew = false;
  int32_t simRate = 256;  // rate x 256
  double touchdownVerticalSpeed = 0;  // feet per minute at the last ground contact
  std::array<double, SimOffset::kFuelTankCount> tankLevel{};  // fraction of capacity
  std::array<double, SimOffset::kFuelTankCount> tankCapacity{};  // US gallons
  double fuelWeight = 6.7;  // pounds per US gallon
  double outsideAirTempC = 15;
  double windSpeed = 0;  // knots
  double windDirection = 0;  // degrees true
  double surfaceLayerTop = 0;  // metres
  uint16_t fuelMarker = 0;
  uint16_t versionWord = 10;  // low half of the simulator version
  uint32_t interfaceVersion = 0x19980005;
  uint16_t versionCheck = 0xFADE;  // high half of the simulator version
  uint16_t libraryVersion = 0;  // what the client wrote at open
  double airspeedFeetPerSecond = 0;  // last value written at 0x3090
  std::string title;

  double FuelPounds() const;
  double CapacityPounds() const;
  double RadioAltitude() const { return altitude - groundElevation; }
};

// What a write to the offsets changed, as bits.
namespace SimChange {
inline constexpr unsigned Pause = 1;
inline constexpr unsigned Slew = 2;
inline constexpr unsigned Rate = 4;
inline constexpr unsigned Position = 8;
inline constexpr unsigned Heading = 16;
inline constexpr unsigned Airspeed = 32;
inline constexpr unsigned FuelMarker = 64;
inline constexpr unsigned LibraryVersion = 128;
}  // namespace SimChange

// The interface module's offset space: known offsets rendered from the
// variables, anything else kept as last written.
class SimOffsetImage {
 public:
  static constexpr size_t kSpace = 0x10000;

  SimOffsetImage() : memory(kSpace) {}
  void Render(const SimVariables& variables);
  // Copies `size` bytes from `offset`; whatever lies past the space reads as zero.
  void Read(uint32_t offset, unsigned char* out, uint32_t size) const;
  // Stores the bytes and decodes a known offset into `variables`; answers the SimChange bits.
  unsigned Write(uint32_t offset, const unsigned char* data, uint32_t size, SimVariables& variables);

 private:
  std::vector<unsigned char> memory;
};

// Walks a block's records in order up to the terminator, handing each one
// (kind, offset, its data or answer space, size) to `visit`. False when the
// block does not walk cleanly inside the request area.
using SimRecordVisitor = std::function<void(uint32_t kind, uint32_t offset, unsigned char* data, uint32_t size)>;
bool WalkSimBlock(unsigned char* block, const SimRecordVisitor& visit);

}  // namespace kestrix
