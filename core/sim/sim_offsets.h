#pragma once

#include <array>
#include <cstdint>

namespace kestrix::SimOffset {

inline constexpr uint32_t PauseControl = 0x0262;
inline constexpr uint32_t Paused = 0x0264;
inline constexpr uint32_t MagneticVariation = 0x02A0;
inline constexpr uint32_t GroundSpeed = 0x02B4;
inline constexpr uint32_t TrueAirspeed = 0x02B8;
inline constexpr uint32_t TouchdownVerticalSpeed = 0x030C;
inline constexpr uint32_t OnGround = 0x0366;
inline constexpr uint32_t Latitude = 0x0560;
inline constexpr uint32_t Longitude = 0x0568;
inline constexpr uint32_t Altitude = 0x0570;
inline constexpr uint32_t Pitch = 0x0578;
inline constexpr uint32_t Bank = 0x057C;
inline constexpr uint32_t TrueHeading = 0x0580;
inline constexpr uint32_t Slew = 0x05DC;
inline constexpr uint32_t FuelWeight = 0x0AF4;
inline constexpr uint32_t SimulationRate = 0x0C1A;
inline constexpr uint32_t OutsideAirTemp = 0x0E8C;
inline constexpr uint32_t WindSpeed = 0x0E90;
inline constexpr uint32_t WindDirection = 0x0E92;
inline constexpr uint32_t SurfaceLayerTop = 0x0EEE;
inline constexpr uint32_t TotalFuelWeight = 0x126C;
inline constexpr uint32_t AirspeedFeetPerSecond = 0x3090;
inline constexpr uint32_t RadioAltitude = 0x31E4;
inline constexpr uint32_t FuelMarker = 0x32FC;
inline constexpr uint32_t InterfaceVersion = 0x3304;
inline constexpr uint32_t SimulatorVersion = 0x3308;
inline constexpr uint32_t LibraryVersion = 0x330A;
inline constexpr uint32_t AircraftTitle = 0x3D00;
inline constexpr uint32_t AircraftTitleBytes = 256;

struct FuelTank {
  uint32_t level;
  uint32_t capacity;
};

inline constexpr int kFuelTankCount = 11;
inline constexpr std::array<FuelTank, kFuelTankCount> kFuelTanks{{
    {0x0B74, 0x0B78}, {0x0B7C, 0x0B80}, {0x0B84, 0x0B88}, {0x0B8C, 0x0B90},
    {0x0B94, 0x0B98}, {0x0B9C, 0x0BA0}, {0x0BA4, 0x0BA8}, {0x1244, 0x1248},
    {0x124C, 0x1250}, {0x1254, 0x1258}, {0x125C, 0x1260},
}};

}  // namespace kestrix::SimOffset
