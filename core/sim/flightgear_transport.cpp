#include "sim/flightgear_transport.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "sim/flightgear_properties.h"
#include "sim/variable_sim_transport.h"

namespace kestrix {
namespace {

using SteadyClock = std::chrono::steady_clock;

// A reply line longer than this is not the props server's.
constexpr size_t kMaxLineBytes = 4096;

int MillisecondsLeft(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// A non-blocking TCP connection that speaks in lines ending in CR LF.
class LineConnection {
 public:
  ~LineConnection() { Close(); }

  bool Open(const std::string& host, int port, int timeoutMs) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    for (addrinfo* at = found; at && fd < 0; at = at->ai_next) fd = ConnectOne(*at, deadline);
    freeaddrinfo(found);
    return fd >= 0;
  }

  void Close() {
    if (fd >= 0) close(fd);
    fd = -1;
    pending.clear();
  }

  bool SendAll(const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
      const ssize_t wrote = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
      if (wrote > 0) {
        sent += static_cast<size_t>(wrote);
        continue;
      }
      if (wrote < 0 && errno == EINTR) continue;
      pollfd waiting{fd, POLLOUT, 0};
      if (wrote < 0 && errno == EAGAIN && poll(&waiting, 1, 1000) > 0) continue;
      return false;
    }
    return true;
  }

  // The next line without its ending; TimedOut when none came in time,
  // SystemError when the peer is gone or sent a line far too long.
  SendOutcome ReadLine(std::string& line, SteadyClock::time_point deadline) {
    for (;;) {
      const size_t end = pending.find('\n');
      if (end != std::string::npos) {
        line.assign(pending, 0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return SendOutcome::Replied;
      }
      if (pending.size() > kMaxLineBytes) return SendOutcome::SystemError;
      pollfd waiting{fd, POLLIN, 0};
      const int ready = poll(&waiting, 1, MillisecondsLeft(deadline));
      if (ready == 0) return SendOutcome::TimedOut;
      if (ready < 0) {
        if (errno == EINTR) continue;
        return SendOutcome::SystemError;
      }
      char chunk[8192];
      const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
      if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) return SendOutcome::SystemError;
      if (got > 0) pending.append(chunk, static_cast<size_t>(got));
    }
  }

 private:
  static int ConnectOne(const addrinfo& address, SteadyClock::time_point deadline) {
    const int socketFd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socketFd < 0) return -1;
    if (connect(socketFd, address.ai_addr, address.ai_addrlen) == 0) return socketFd;
    pollfd waiting{socketFd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    if (errno == EINPROGRESS && poll(&waiting, 1, MillisecondsLeft(deadline)) > 0 &&
        getsockopt(socketFd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
      return socketFd;
    close(socketFd);
    return -1;
  }

  int fd = -1;
  std::string pending;
};

class FlightGearSource : public SimVariableSource {
 public:
  FlightGearSource(std::string host, int port) : host(std::move(host)), port(port) {
    for (const FlightGearProperty& property : FlightGearProperties()) fetchRequest += "get " + property.path + "\r\n";
    fetchRequest += std::string("get ") + kFlightGearTitle + "\r\n";
  }

  // Data mode drops the prompts, so every `get` is answered by one bare line.
  SendOutcome Connect(int timeoutMs) override {
    if (!connection.Open(host, port, timeoutMs)) return SendOutcome::SystemError;
    const SendOutcome outcome = Ask("data\r\n", timeoutMs);
    if (outcome != SendOutcome::Replied) connection.Close();
    return outcome;
  }

  // Every property in one request, then every answer in order.
  SendOutcome Fetch(SimVariables& variables, int timeoutMs) override {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    if (!connection.SendAll(fetchRequest)) return SendOutcome::SystemError;
    SimVariables fetched = variables;
    std::string line;
    for (const FlightGearProperty& property : FlightGearProperties()) {
      const SendOutcome outcome = connection.ReadLine(line, deadline);
      if (outcome != SendOutcome::Replied) return outcome;
      double value = 0;
      if (!ParseFlightGearValue(line, value)) return SendOutcome::SystemError;
      property.set(fetched, value);
    }
    const SendOutcome outcome = connection.ReadLine(fetched.title, deadline);
    if (outcome != SendOutcome::Replied) return outcome;
    fetched.slew = false;
    if (heldAirspeed && !fetched.paused) {
      const SendOutcome released = Ask(HeldAirspeedLines(fetched), timeoutMs);
      if (released != SendOutcome::Replied) return released;
    }
    variables = fetched;
    return SendOutcome::Replied;
  }

  // `set` answers nothing in data mode, and lines are taken in order: the
  // answer to a `get` behind the sets says they have all been applied.
  SendOutcome Apply(const SimVariables& variables, unsigned changes, int timeoutMs) override {
    if ((changes & SimChange::Airspeed) && variables.paused) heldAirspeed = variables.trueAirspeed;
    std::string request = SetLines(variables, changes);
    if (heldAirspeed && !variables.paused) request += HeldAirspeedLines(variables);
    if (request.empty()) return SendOutcome::Replied;
    return Ask(request, timeoutMs) == SendOutcome::Replied ? SendOutcome::Replied : SendOutcome::SystemError;
  }

  void Disconnect() override { connection.Close(); }

 private:
  // Sends `request` followed by a `get` of the version, and waits for that
  // answer; only FlightGear answers it with a version.
  SendOutcome Ask(const std::string& request, int timeoutMs) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    if (!connection.SendAll(request + "get " + kFlightGearVersion + "\r\n")) return SendOutcome::SystemError;
    std::string version;
    const SendOutcome outcome = connection.ReadLine(version, deadline);
    if (outcome != SendOutcome::Replied) return outcome;
    return LooksLikeFlightGearVersion(version) ? SendOutcome::Replied : SendOutcome::SystemError;
  }

  static std::string SetLines(const SimVariables& variables, unsigned changes) {
    std::string lines;
    for (const FlightGearProperty& property : FlightGearProperties())
      if (property.writtenOn & changes)
        lines += "set " + property.path + " " + FormatFlightGearValue(property, variables) + "\r\n";
    return lines;
  }

  // FlightGear's flight model drops a speed set while it is paused, so a
  // speed written then is set again once it runs: like the interface
  // module's, it comes online when the simulator is unpaused.
  std::string HeldAirspeedLines(SimVariables variables) {
    variables.trueAirspeed = *heldAirspeed;
    heldAirspeed.reset();
    return SetLines(variables, SimChange::Airspeed);
  }

  std::string host;
  int port;
  std::string fetchRequest;
  LineConnection connection;
  std::optional<double> heldAirspeed;
};

}  // namespace

std::unique_ptr<SimTransport> MakeFlightGearTransport(std::string host, int port) {
  return MakeVariableSimTransport(std::make_unique<FlightGearSource>(std::move(host), port));
}

}  // namespace kestrix
