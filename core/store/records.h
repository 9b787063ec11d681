#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kestrix {

// Bits of AvailableFlight::status.
namespace FlightStatus {
inline constexpr int32_t StatusCompleted = 0x00000001;
inline constexpr int32_t StatusInProgress = 0x00000002;
inline constexpr int32_t StatusRefuelingStop = 0x00000004;
inline constexpr int32_t StatusFiled = 0x00100000;
inline constexpr int32_t StatusRetained = 0x01000000;
inline constexpr int32_t StatusRemoved = 0x10000000;
}  // namespace FlightStatus

// Option bits of the settings word.
namespace ProgramSettings {
inline constexpr uint32_t OnTop = 0x00000001;
inline constexpr uint32_t Online = 0x00000002;
inline constexpr uint32_t Minimized = 0x00000004;
inline constexpr uint32_t ChatAvailable = 0x00000100;
inline constexpr uint32_t ChatOnTop = 0x00000200;
inline constexpr uint32_t ChatScrollNone = 0x00010000;
inline constexpr uint32_t ChatScrollSent = 0x00020000;
inline constexpr uint32_t ChatScrollReceived = 0x00040000;
inline constexpr uint32_t ChatScrollBoth = 0x00080000;
inline constexpr uint32_t ChatScrollMask = 0x000F0000;
// Written when the database is created: on top, on-line, chat on top, scroll on received.
inline constexpr uint32_t Default = 0x00040203;
}  // namespace ProgramSettings

// One entry of the downloaded schedule; the field order is the stored column order.
struct AvailableFlight {
  std::string localId;
  std::string type;
  std::string flightId;
  std::string departure;
  std::string departureName;
  std::string arrival;
  std::string arrivalName;
  std::string airlineIcao;
  std::string flightNumber;
  std::string airlineName;
  std::string aircraftType;
  std::string effectiveDate;
  std::string expiryDate;
  int32_t status = 0;

  bool operator==(const AvailableFlight&) const = default;
};

struct FlightPoint {
  double latitude = 0;
  double longitude = 0;
  int32_t altitude = 0;
  int32_t heading = 0;

  bool operator==(const FlightPoint&) const = default;
};

// Size of one point in a stored blob: two doubles and two 32-bit integers, little-endian.
inline constexpr size_t kFlightPointBytes = 24;

// A point as it is laid out in a blob; `out` must hold kFlightPointBytes.
void EncodeFlightPoint(const FlightPoint& point, unsigned char* out);
FlightPoint DecodeFlightPoint(const unsigned char* in);
std::vector<unsigned char> EncodeFlightPoints(const std::vector<FlightPoint>& points);
// Decodes as many whole points as `size` bytes hold, never more than `limit`.
std::vector<FlightPoint> DecodeFlightPoints(const unsigned char* data, size_t size, size_t limit);

// The temporary flight being flown, and the flight report stored at its end.
struct FlightRecord {
  std::string flightId;
  int64_t startTime = 0;
  int32_t flightMinutes = 0;
  int32_t groundMinutesLeft = 0;
  int32_t fuelUsed = 0;
  double landingRate = 0;
  int32_t landingSpeed = 0;
  double lastLatitude = 0;
  double lastLongitude = 0;
  int32_t lastFeedTime = 0;
  int32_t savedTime = 0;
  std::string flightPlanFile;
  int32_t startFuelMarker = 0;
  int32_t fuelMarker = 0;
  int32_t heading = 0;
  int16_t outsideAirTemp = 0;
  int32_t trueAirspeed = 0;
  int32_t altitude = 0;
  int32_t radioAltitude = 0;
  int32_t flightPhase = 0;
  int32_t segmentStartFuel = 0;
  int32_t fuelRemaining = 0;
  int32_t currentFuel = 0;
  double longitude = 0;
  double latitude = 0;
  int64_t groundTime = 0;
  int64_t recordedTime = 0;
  int32_t priorMinutes = 0;
  std::vector<FlightPoint> points;

  bool operator==(const FlightRecord&) const = default;
};

// Values of FlightRecord::flightPhase.
namespace FlightPhase {
inline constexpr int32_t NotAirborne = 0;
inline constexpr int32_t Airborne = 1;
inline constexpr int32_t Landed = 2;
}  // namespace FlightPhase

struct PilotInfo {
  std::string username;
  std::string password;
  std::string pilotNumber;

  bool operator==(const PilotInfo&) const = default;
};

// Name to value, iterated in name order.
using ServerVariables = std::map<std::string, std::string>;

}  // namespace kestrix
