#include "xplane_front_end.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kestrix {
namespace {

constexpr size_t kMaxDatagram = 65536;
// More often than a simulator runs frames is taken as that often.
constexpr int32_t kMaxFrequency = 1000;
constexpr const char* kOnGround = "sim/flightmodel/failures/onground_any";

bool SameAddress(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

const XPlaneDataref* FindDataref(const std::string& path, size_t* position = nullptr) {
  const std::vector<XPlaneDataref>& datarefs = XPlaneDatarefs();
  for (size_t at = 0; at < datarefs.size(); ++at)
    if (datarefs[at].path == path) {
      if (position) *position = at;
      return &datarefs[at];
    }
  return nullptr;
}

}  // namespace

XPlaneFrontEnd::XPlaneFrontEnd(SimulatorPeer& peer) : peer(peer) {
  peer.SetChangeHook([this] { SendValues(true); });
}

XPlaneFrontEnd::~XPlaneFrontEnd() {
  peer.SetChangeHook(nullptr);
  Stop();
}

bool XPlaneFrontEnd::Start(int wantedPort, std::string* error) {
  if (serving.Running()) return true;
  auto failed = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    return false;
  };
  const int socketFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (socketFd < 0) return failed("cannot make a socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(wantedPort));
  socklen_t length = sizeof address;
  if (bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(socketFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(socketFd);
    return failed("cannot bind");
  }
  port = ntohs(address.sin_port);
  {
    std::lock_guard lock(sendMutex);
    fd = socketFd;
  }
  if (!serving.Start([this] { Serve(); })) {
    Stop();
    return failed("cannot make a pipe");
  }
  return true;
}

void XPlaneFrontEnd::Stop() {
  serving.Stop();
  std::lock_guard lock(sendMutex);
  if (fd >= 0) close(fd);
  fd = -1;
  clients.clear();
}

bool XPlaneFrontEnd::SendBeacon(const std::string& host, int beaconPort) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(beaconPort));
  if (inet_pton(AF_INET, host.c_str(), &to.sin_addr) != 1) return false;
  XPlaneBeacon beacon;
  beacon.version = 120000;
  beacon.port = static_cast<uint16_t>(port);
  beacon.computerName = "kestrix-sim";
  const std::string datagram = EncodeXPlaneBeacon(beacon);
  std::lock_guard lock(sendMutex);
  return fd >= 0 && sendto(fd, datagram.data(), datagram.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to),
                           sizeof to) == static_cast<ssize_t>(datagram.size());
}

void XPlaneFrontEnd::Serve() {
  std::string datagram;
  for (;;) {
    std::vector<pollfd> waiting{{fd, POLLIN, 0}};
    if (!serving.Wait(waiting, MillisecondsToNext())) break;
    for (;;) {
      datagram.resize(kMaxDatagram);
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const ssize_t got =
          recvfrom(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
      if (got < 0) break;
      datagram.resize(static_cast<size_t>(got));
      Handle(datagram, from);
    }
    // Writes have sent the new state through the peer's change hook; a new
    // subscription is due at once, so it goes out here.
    SendValues(false);
  }
}

void XPlaneFrontEnd::Handle(const std::string& datagram, const sockaddr_in& from) {
  int32_t frequency = 0, index = 0;
  std::string path;
  float value = 0;
  XPlanePlacement placement;
  if (DecodeXPlaneSubscription(datagram, frequency, index, path)) {
    Subscribe(from, frequency, index, path);
  } else if (DecodeXPlaneWrite(datagram, path, value)) {
    Write(path, value);
  } else if (DecodeXPlaneCommand(datagram, path)) {
    if (path == kXPlanePauseOn || path == kXPlanePauseOff || path == kXPlanePauseToggle)
      peer.Change([&](SimVariables& v) { v.paused = path == kXPlanePauseToggle ? !v.paused : path == kXPlanePauseOn; },
                  SimChange::Pause);
  } else if (DecodeXPlanePlacement(datagram, placement)) {
    peer.Change([&](SimVariables& v) { ReadXPlanePlacement(placement, v); }, SimChange::Position | SimChange::Heading);
  }
}

void XPlaneFrontEnd::Subscribe(const sockaddr_in& from, int32_t frequency, int32_t index, const std::string& path) {
  size_t dataref = 0;
  if (!FindDataref(path, &dataref) || frequency < 0) return;
  std::lock_guard lock(sendMutex);
  auto client = std::ranges::find_if(clients, [&](const Client& c) { return SameAddress(c.address, from); });
  if (client == clients.end()) client = clients.insert(clients.end(), Client{from, {}});
  std::erase_if(client->subscriptions, [&](const Subscription& s) { return s.index == index; });
  if (frequency > 0) client->subscriptions.push_back({index, dataref, std::min(frequency, kMaxFrequency), SteadyClock::now()});
  if (client->subscriptions.empty()) clients.erase(client);
}

void XPlaneFrontEnd::Write(const std::string& path, float value) {
  double* component = path == kXPlaneVelocityEast ? &velocity.east
                      : path == kXPlaneVelocityUp ? &velocity.up
                      : path == kXPlaneVelocitySouth ? &velocity.south
                                                      : nullptr;
  if (component) {
    *component = value;
    const double airspeed = XPlaneAirspeed(velocity);
    peer.Change([&](SimVariables& v) { v.trueAirspeed = airspeed; }, SimChange::Airspeed);
    return;
  }
  const XPlaneDataref* dataref = FindDataref(path);
  if (dataref && dataref->writtenOn)
    peer.Change([&](SimVariables& v) { dataref->set(v, value); }, dataref->writtenOn);
}

void XPlaneFrontEnd::SendValues(bool all) {
  std::lock_guard lock(sendMutex);
  // Read under the lock: once a fault is switched on, nothing sent afterwards escapes it.
  const SimulatorFault fault = peer.Fault();
  if (fd < 0 || fault == SimulatorFault::NotAnswering) return;
  const auto now = SteadyClock::now();
  for (Client& client : clients) {
    const bool sampling = std::ranges::any_of(
        client.subscriptions, [](const Subscription& s) { return XPlaneDatarefs()[s.dataref].path == kOnGround; });
    const std::vector<float> shown = XPlaneDatarefValues(peer.View(sampling));
    std::vector<XPlaneValue> due;
    for (Subscription& subscription : client.subscriptions) {
      if (!all && subscription.due > now) continue;
      due.push_back({subscription.index, shown[subscription.dataref]});
      if (subscription.due <= now)
        subscription.due = now + std::chrono::microseconds(1'000'000 / subscription.frequency);
    }
    if (due.empty()) continue;
    std::string datagram = EncodeXPlaneValues(due);
    if (fault == SimulatorFault::GarbageAnswers)
      for (size_t at = 5; at < datagram.size(); ++at) {
        noise = noise * 1664525u + 1013904223u;
        datagram[at] = static_cast<char>(noise >> 24);
      }
    if (fault == SimulatorFault::BrokenRecords) datagram.resize(datagram.size() - 3);
    sendto(fd, datagram.data(), datagram.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&client.address),
           sizeof client.address);
  }
}

int XPlaneFrontEnd::MillisecondsToNext() {
  std::lock_guard lock(sendMutex);
  if (clients.empty()) return -1;
  auto next = SteadyClock::time_point::max();
  for (const Client& client : clients)
    for (const Subscription& subscription : client.subscriptions) next = std::min(next, subscription.due);
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - SteadyClock::now()).count();
  return static_cast<int>(std::max<long long>(left, 0));
}

}  // namespace kestrix
