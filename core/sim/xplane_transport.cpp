#include "sim/xplane_transport.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include "sim/variable_sim_transport.h"
#include "sim/xplane_datarefs.h"

namespace kestrix {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr size_t kMaxDatagram = 65536;
// How often an acknowledgement marker is asked for.
constexpr int kMarkerFrequency = 20;

int MillisecondsLeft(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool SameEndpoint(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

bool Resolve(const std::string& host, int port, sockaddr_in& endpoint) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  endpoint = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  freeaddrinfo(found);
  return true;
}

int UdpSocket() { return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0); }

// The beacon group's port, joined to the group where the network allows;
// several programs may listen at once. -1 when the port cannot be had.
int OpenBeaconListener(int port) {
  const int fd = UdpSocket();
  if (fd < 0) return -1;
  const int reuse = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  ip_mreq group{};
  inet_pton(AF_INET, kXPlaneBeaconGroup, &group.imr_multiaddr);
  group.imr_interface.s_addr = htonl(INADDR_ANY);
  setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group);
  return fd;
}

// One datagram waiting on `fd`, or false when none is.
bool Receive(int fd, std::string& datagram, sockaddr_in& from) {
  datagram.resize(kMaxDatagram);
  socklen_t length = sizeof from;
  const ssize_t got = recvfrom(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
  if (got < 0) return false;
  datagram.resize(static_cast<size_t>(got));
  return true;
}

class XPlaneSource : public SimVariableSource {
 public:
  explicit XPlaneSource(XPlaneOptions options) : options(std::move(options)) {}
  ~XPlaneSource() override { Close(); }

  // Subscribes to everything and waits until every often-sent value has come.
  SendOutcome Connect(int timeoutMs) override {
    if (!Open()) return SendOutcome::SystemError;
    if (haveEndpoint) SubscribeAll(endpoint);
    const SendOutcome outcome = AwaitEveryValue(SteadyClock::now() + std::chrono::milliseconds(timeoutMs));
    if (outcome == SendOutcome::Replied)
      CloseBeacon();
    else
      Close();
    return outcome;
  }

  SendOutcome Fetch(SimVariables& variables, int timeoutMs) override {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    Drain();
    bool fresh = unread || SteadyClock::now() - lastArrival < std::chrono::milliseconds(options.freshMs);
    while (!fresh) {
      if (!WaitForDatagram(deadline)) return SendOutcome::TimedOut;
      fresh = Drain().any;
    }
    unread = false;
    ReadXPlaneDatarefs(values, variables);
    return SendOutcome::Replied;
  }

  SendOutcome Apply(const SimVariables& variables, unsigned changes, int timeoutMs) override {
    Drain();
    if (!SendWrites(variables, changes)) return SendOutcome::SystemError;
    return AwaitMarker(timeoutMs);
  }

  void Disconnect() override { Close(); }

 private:
  struct Drained {
    bool any = false;    // a datagram of X-Plane's came
    int32_t marker = -1;  // the newest marker it carried
  };

  // A socket on a port of its own, the beacon's port when it can be had, and nothing received yet.
  bool Open() {
    Close();
    fd = UdpSocket();
    sockaddr_in any{};
    any.sin_family = AF_INET;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
      Close();
      return false;
    }
    if (options.beaconPort > 0) beaconFd = OpenBeaconListener(options.beaconPort);
    values = XPlaneDatarefValues(SimVariables{});
    seen.assign(values.size(), false);
    markers = 0;
    haveEndpoint = Resolve(options.host, options.port, endpoint);
    return true;
  }

  SendOutcome AwaitEveryValue(SteadyClock::time_point deadline) {
    while (!Complete()) {
      std::vector<pollfd> waiting{{fd, POLLIN, 0}};
      if (beaconFd >= 0) waiting.push_back({beaconFd, POLLIN, 0});
      const int ready = poll(waiting.data(), waiting.size(), MillisecondsLeft(deadline));
      if (ready == 0) return SendOutcome::TimedOut;
      if (ready < 0 && errno != EINTR) return SendOutcome::SystemError;
      if (waiting[0].revents) Drain();
      if (waiting.size() > 1 && waiting[1].revents) FollowBeacon();
    }
    return SendOutcome::Replied;
  }

  bool SendWrites(const SimVariables& variables, unsigned changes) {
    bool sent = true;
    if (changes & SimChange::Pause)
      sent &= Send(EncodeXPlaneCommand(variables.paused ? kXPlanePauseOn : kXPlanePauseOff));
    for (const XPlaneDataref& dataref : XPlaneDatarefs())
      if (dataref.writtenOn & changes)
        sent &= Send(EncodeXPlaneWrite(dataref.path, static_cast<float>(dataref.get(variables))));
    if (changes & (SimChange::Position | SimChange::Heading))
      sent &= Send(EncodeXPlanePlacement(XPlanePlacementFor(variables)));
    if (changes & SimChange::Airspeed) {
      const XPlaneVelocity velocity = XPlaneVelocityFor(variables);
      sent &= Send(EncodeXPlaneWrite(kXPlaneVelocityEast, static_cast<float>(velocity.east))) &&
              Send(EncodeXPlaneWrite(kXPlaneVelocityUp, static_cast<float>(velocity.up))) &&
              Send(EncodeXPlaneWrite(kXPlaneVelocitySouth, static_cast<float>(velocity.south)));
    }
    return sent;
  }

  // X-Plane acknowledges no write; a marker subscribed behind the writes
  // comes back once it has taken them all, as it takes its datagrams in order.
  SendOutcome AwaitMarker(int timeoutMs) {
    const int32_t marker = static_cast<int32_t>(values.size()) + markers++;
    const std::string& path = XPlaneDatarefs().front().path;
    if (!Send(EncodeXPlaneSubscription(kMarkerFrequency, marker, path))) return SendOutcome::SystemError;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    bool acknowledged = false;
    while (!acknowledged && WaitForDatagram(deadline)) acknowledged = Drain().marker >= marker;
    Send(EncodeXPlaneSubscription(0, marker, path));
    return acknowledged ? SendOutcome::Replied : SendOutcome::TimedOut;
  }

  bool Send(const std::string& datagram) {
    return haveEndpoint && sendto(fd, datagram.data(), datagram.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) ==
                               static_cast<ssize_t>(datagram.size());
  }

  void SubscribeAll(const sockaddr_in& to, bool end = false) {
    const std::vector<XPlaneDataref>& datarefs = XPlaneDatarefs();
    for (size_t index = 0; index < datarefs.size(); ++index) {
      const std::string request =
          EncodeXPlaneSubscription(end ? 0 : datarefs[index].frequency, static_cast<int32_t>(index), datarefs[index].path);
      sendto(fd, request.data(), request.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
  }

  // Every value sent often has come at least once.
  bool Complete() const {
    const std::vector<XPlaneDataref>& datarefs = XPlaneDatarefs();
    const int often = std::ranges::max(datarefs, {}, &XPlaneDataref::frequency).frequency;
    for (size_t index = 0; index < datarefs.size(); ++index)
      if (datarefs[index].frequency == often && !seen[index]) return false;
    return true;
  }

  // Takes every datagram waiting, keeping the newest values. Anything not
  // from X-Plane, not values, or with an index never asked for is passed over.
  Drained Drain() {
    Drained drained;
    std::string datagram;
    sockaddr_in from{};
    std::vector<XPlaneValue> pairs;
    const auto known = [&](const XPlaneValue& pair) {
      return pair.index >= 0 && pair.index < static_cast<int32_t>(values.size()) + markers;
    };
    while (Receive(fd, datagram, from)) {
      if (!haveEndpoint || !SameEndpoint(from, endpoint) || !DecodeXPlaneValues(datagram, pairs) ||
          !std::ranges::all_of(pairs, known))
        continue;
      for (const XPlaneValue& pair : pairs) {
        if (pair.index >= static_cast<int32_t>(values.size())) {
          drained.marker = std::max(drained.marker, pair.index);
          continue;
        }
        values[pair.index] = pair.value;
        seen[pair.index] = true;
      }
      drained.any = unread = true;
      lastArrival = SteadyClock::now();
    }
    return drained;
  }

  bool WaitForDatagram(SteadyClock::time_point deadline) {
    for (;;) {
      pollfd waiting{fd, POLLIN, 0};
      const int ready = poll(&waiting, 1, MillisecondsLeft(deadline));
      if (ready > 0) return true;
      if (ready == 0 || errno != EINTR) return false;
    }
  }

  // A copy that announces itself becomes the one asked, unless it is the one asked already.
  void FollowBeacon() {
    std::string datagram;
    sockaddr_in from{};
    XPlaneBeacon beacon;
    while (Receive(beaconFd, datagram, from)) {
      if (!DecodeXPlaneBeacon(datagram, beacon) || beacon.role != 1 || beacon.port == 0) continue;
      from.sin_port = htons(beacon.port);
      if (haveEndpoint && SameEndpoint(from, endpoint)) continue;
      if (haveEndpoint) SubscribeAll(endpoint, true);
      endpoint = from;
      haveEndpoint = true;
      seen.assign(values.size(), false);
      SubscribeAll(endpoint);
    }
  }

  void CloseBeacon() {
    if (beaconFd >= 0) close(beaconFd);
    beaconFd = -1;
  }

  void Close() {
    CloseBeacon();
    if (fd < 0) return;
    if (haveEndpoint) SubscribeAll(endpoint, true);
    close(fd);
    fd = -1;
  }

  XPlaneOptions options;
  int fd = -1;
  int beaconFd = -1;
  sockaddr_in endpoint{};
  bool haveEndpoint = false;
  std::vector<float> values;
  std::vector<bool> seen;
  int32_t markers = 0;
  SteadyClock::time_point lastArrival{};
  bool unread = false;  // values came that no fetch has handed out yet
};

}  // namespace

std::unique_ptr<SimTransport> MakeXPlaneTransport(std::string host, int port) {
  return MakeXPlaneTransport(XPlaneOptions{.host = std::move(host), .port = port});
}

std::unique_ptr<SimTransport> MakeXPlaneTransport(XPlaneOptions options) {
  return MakeVariableSimTransport(std::make_unique<XPlaneSource>(std::move(options)));
}

}  // namespace kestrix
