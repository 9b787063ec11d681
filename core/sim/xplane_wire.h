#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// X-Plane's UDP messages: little-endian, packed, copied as they lie in
// memory (every host the program runs on is little-endian). Shared by the
// transport and the stand-in simulator.
namespace kestrix {

inline constexpr const char* kXPlaneBeaconGroup = "239.255.1.1";
inline constexpr int kXPlaneBeaconPort = 49707;
inline constexpr size_t kXPlaneRrefPathBytes = 400;
inline constexpr size_t kXPlaneDrefPathBytes = 500;

struct XPlaneValue {
  int32_t index = 0;
  float value = 0;
};

// "RREF\0", how often a second (0 ends it), the index answers carry, the dataref.
std::string EncodeXPlaneSubscription(int32_t frequency, int32_t index, const std::string& path);
bool DecodeXPlaneSubscription(const std::string& datagram, int32_t& frequency, int32_t& index, std::string& path);

// "RREF" and one byte, then (index, value) pairs.
std::string EncodeXPlaneValues(const std::vector<XPlaneValue>& values);
// False when the datagram is not exactly that.
bool DecodeXPlaneValues(const std::string& datagram, std::vector<XPlaneValue>& values);

// "DREF\0", the value, the dataref.
std::string EncodeXPlaneWrite(const std::string& path, float value);
bool DecodeXPlaneWrite(const std::string& datagram, std::string& path, float& value);

// "CMND\0" and the command's path.
std::string EncodeXPlaneCommand(const std::string& command);
bool DecodeXPlaneCommand(const std::string& datagram, std::string& command);

// Where the user's aircraft is put: degrees, metres above sea level, degrees true.
struct XPlanePlacement {
  double latitude = 0;
  double longitude = 0;
  double elevation = 0;
  float heading = 0;
  float pitch = 0;
  float roll = 0;
};
std::string EncodeXPlanePlacement(const XPlanePlacement& placement);
bool DecodeXPlanePlacement(const std::string& datagram, XPlanePlacement& placement);

// What a running copy announces on the beacon group.
struct XPlaneBeacon {
  uint8_t major = 1;
  uint8_t minor = 2;
  int32_t hostId = 0;
  int32_t version = 0;
  uint32_t role = 1;  // 1: the master, the copy that flies
  uint16_t port = 0;  // its data-reference port
  std::string computerName;
};
std::string EncodeXPlaneBeacon(const XPlaneBeacon& beacon);
bool DecodeXPlaneBeacon(const std::string& datagram, XPlaneBeacon& beacon);

}  // namespace kestrix
