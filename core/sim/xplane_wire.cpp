#include "sim/xplane_wire.h"

#include <cstring>

namespace kestrix {
namespace {

constexpr size_t kTagBytes = 5;  // four letters and a separator

template <typename T>
void Append(std::string& out, T value) {
  char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  out.append(bytes, sizeof value);
}

template <typename T>
T Take(const std::string& in, size_t at) {
  T value;
  std::memcpy(&value, in.data() + at, sizeof value);
  return value;
}

std::string Tagged(const char* tag) { return std::string(tag, 4) + '\0'; }

bool HasTag(const std::string& datagram, const char* tag) {
  return datagram.size() >= kTagBytes && datagram.compare(0, 4, tag) == 0 && datagram[4] == '\0';
}

void AppendPath(std::string& out, const std::string& path, size_t bytes) {
  std::string field = path.substr(0, bytes - 1);
  field.resize(bytes, '\0');
  out += field;
}

std::string TakePath(const std::string& in, size_t at, size_t bytes) {
  const std::string field = in.substr(at, bytes);
  return field.substr(0, field.find('\0'));
}

}  // namespace

std::string EncodeXPlaneSubscription(int32_t frequency, int32_t index, const std::string& path) {
  std::string out = Tagged("RREF");
  Append(out, frequency);
  Append(out, index);
  AppendPath(out, path, kXPlaneRrefPathBytes);
  return out;
}

bool DecodeXPlaneSubscription(const std::string& datagram, int32_t& frequency, int32_t& index, std::string& path) {
  if (!HasTag(datagram, "RREF") || datagram.size() != kTagBytes + 8 + kXPlaneRrefPathBytes) return false;
  frequency = Take<int32_t>(datagram, kTagBytes);
  index = Take<int32_t>(datagram, kTagBytes + 4);
  path = TakePath(datagram, kTagBytes + 8, kXPlaneRrefPathBytes);
  return true;
}

std::string EncodeXPlaneValues(const std::vector<XPlaneValue>& values) {
  std::string out = "RREF,";
  for (const XPlaneValue& pair : values) {
    Append(out, pair.index);
    Append(out, pair.value);
  }
  return out;
}

bool DecodeXPlaneValues(const std::string& datagram, std::vector<XPlaneValue>& values) {
  values.clear();
  if (datagram.size() <= kTagBytes || datagram.compare(0, 4, "RREF") != 0 ||
      (datagram[4] != ',' && datagram[4] != '\0') || (datagram.size() - kTagBytes) % 8 != 0)
    return false;
  for (size_t at = kTagBytes; at < datagram.size(); at += 8)
    values.push_back({Take<int32_t>(datagram, at), Take<float>(datagram, at + 4)});
  return true;
}

std::string EncodeXPlaneWrite(const std::string& path, float value) {
  std::string out = Tagged("DREF");
  Append(out, value);
  AppendPath(out, path, kXPlaneDrefPathBytes);
  return out;
}

bool DecodeXPlaneWrite(const std::string& datagram, std::string& path, float& value) {
  if (!HasTag(datagram, "DREF") || datagram.size() != kTagBytes + 4 + kXPlaneDrefPathBytes) return false;
  value = Take<float>(datagram, kTagBytes);
  path = TakePath(datagram, kTagBytes + 4, kXPlaneDrefPathBytes);
  return true;
}

std::string EncodeXPlaneCommand(const std::string& command) { return Tagged("CMND") + command; }

bool DecodeXPlaneCommand(const std::string& datagram, std::string& command) {
  if (!HasTag(datagram, "CMND")) return false;
  command = TakePath(datagram, kTagBytes, datagram.size() - kTagBytes);
  return true;
}

std::string EncodeXPlanePlacement(const XPlanePlacement& placement) {
  std::string out = Tagged("VEHX");
  Append(out, int32_t{0});
  Append(out, placement.latitude);
  Append(out, placement.longitude);
  Append(out, placement.elevation);
  Append(out, placement.heading);
  Append(out, placement.pitch);
  Append(out, placement.roll);
  return out;
}

bool DecodeXPlanePlacement(const std::string& datagram, XPlanePlacement& placement) {
  if (!HasTag(datagram, "VEHX") || datagram.size() != kTagBytes + 4 + 3 * 8 + 3 * 4) return false;
  if (Take<int32_t>(datagram, kTagBytes) != 0) return false;
  size_t at = kTagBytes + 4;
  for (double* field : {&placement.latitude, &placement.longitude, &placement.elevation}) {
    *field = Take<double>(datagram, at);
    at += 8;
  }
  for (float* field : {&placement.heading, &placement.pitch, &placement.roll}) {
    *field = Take<float>(datagram, at);
    at += 4;
  }
  return true;
}

std::string EncodeXPlaneBeacon(const XPlaneBeacon& beacon) {
  std::string out = Tagged("BECN");
  Append(out, beacon.major);
  Append(out, beacon.minor);
  Append(out, beacon.hostId);
  Append(out, beacon.version);
  Append(out, beacon.role);
  Append(out, beacon.port);
  return out + beacon.computerName + '\0';
}

bool DecodeXPlaneBeacon(const std::string& datagram, XPlaneBeacon& beacon) {
  constexpr size_t kFixed = kTagBytes + 1 + 1 + 4 + 4 + 4 + 2;
  if (!HasTag(datagram, "BECN") || datagram.size() < kFixed) return false;
  beacon.major = Take<uint8_t>(datagram, kTagBytes);
  beacon.minor = Take<uint8_t>(datagram, kTagBytes + 1);
  beacon.hostId = Take<int32_t>(datagram, kTagBytes + 2);
  beacon.version = Take<int32_t>(datagram, kTagBytes + 6);
  beacon.role = Take<uint32_t>(datagram, kTagBytes + 10);
  beacon.port = Take<uint16_t>(datagram, kTagBytes + 14);
  beacon.computerName = TakePath(datagram, kFixed, datagram.size() - kFixed);
  return beacon.major == 1 && (beacon.minor == 1 || beacon.minor == 2);
}

}  // namespace kestrix
