#include "sim/flightgear_transport.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
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

  // Wakes a reader waiting on the connection from another thread.
  void Shutdown() {
    if (fd >= 0) shutdown(fd, SHUT_RDWR);
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

// The newest complete answer to the batched `get`.
struct FlightGearSnapshot {
  uint64_t request = 0;  // which request it answers; 0 before the first
  SteadyClock::time_point requestedAt;
  std::vector<double> values;  // in the order of FlightGearProperties()
  std::string title;
};

// FlightGear answers its props server once a frame, so a batch takes a
// frame or two to come back. A reader thread owns the connection's reads
// while connected and asks for the batch again as soon as the last answer
// is complete, so a hand-over can take a snapshot that is already there.
class FlightGearSource final : public SimVariableSource {
 public:
  explicit FlightGearSource(FlightGearOptions options) : options(std::move(options)) {
    for (const FlightGearProperty& property : FlightGearProperties()) fetchRequest += "get " + property.path + "\r\n";
    fetchRequest += std::string("get ") + kFlightGearTitle + "\r\n";
  }
  ~FlightGearSource() override { Disconnect(); }

  // Data mode drops the prompts, so every `get` is answered by one bare line.
  SendOutcome Connect(int timeoutMs) override {
    Disconnect();
    if (!connection.Open(options.host, options.port, timeoutMs)) return SendOutcome::SystemError;
    const SendOutcome outcome = Ask("data\r\n", Deadline(timeoutMs));
    if (outcome != SendOutcome::Replied) {
      connection.Close();
      return outcome;
    }
    StartReader();
    return SendOutcome::Replied;
  }

  // The newest snapshot when it is fresh enough, else the first one
  // requested after this call began.
  SendOutcome Fetch(SimVariables& variables, int timeoutMs) override {
    const auto deadline = Deadline(timeoutMs);
    FlightGearSnapshot taken;
    const SendOutcome outcome = AwaitSnapshot(std::nullopt, taken, deadline);
    if (outcome != SendOutcome::Replied) return outcome;
    SimVariables fetched = variables;
    for (size_t index = 0; index < taken.values.size(); ++index)
      FlightGearProperties()[index].set(fetched, taken.values[index]);
    fetched.title = std::move(taken.title);
    fetched.slew = false;
    if (heldAirspeed && !fetched.paused) {
      const SendOutcome released = AskAlone(HeldAirspeedLines(fetched), deadline);
      if (released != SendOutcome::Replied) return released;
    }
    variables = fetched;
    return SendOutcome::Replied;
  }

  // `set` answers nothing in data mode, and lines are taken in order: the
  // answer to a `get` behind the sets says they have all been applied.
  SendOutcome Apply(const SimVariables& variables, unsigned changes, int timeoutMs) override {
    const auto deadline = Deadline(timeoutMs);
    if ((changes & SimChange::Airspeed) && variables.paused) heldAirspeed = variables.trueAirspeed;
    std::string request = SetLines(variables, changes);
    if (heldAirspeed && !variables.paused) {
      if (AwaitAnswer(deadline) != SendOutcome::Replied) return SendOutcome::SystemError;
      request += HeldAirspeedLines(variables);
    }
    if (request.empty()) return SendOutcome::Replied;
    return AskAlone(request, deadline) == SendOutcome::Replied ? SendOutcome::Replied : SendOutcome::SystemError;
  }

  void Disconnect() override {
    StopReader();
    connection.Close();
  }

 private:
  static SteadyClock::time_point Deadline(int timeoutMs) {
    return SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  }

  bool LatestIsFresh() const {
    return latest.request > writtenAfter && SteadyClock::now() - latest.requestedAt < std::chrono::milliseconds(options.freshMs);
  }

  void StartReader() {
    latest = {};
    failure.reset();
    requestsSent = writtenAfter = 0;
    waiting = 0;
    reading = held = stopping = false;
    reader = std::thread([this] { ReadAgainAndAgain(); });
  }

  // Shutting the socket down wakes a reader waiting for an answer.
  void StopReader() {
    if (!reader.joinable()) return;
    {
      std::lock_guard lock(mutex);
      stopping = true;
      changed.notify_all();
    }
    connection.Shutdown();
    reader.join();
  }

  void ReadAgainAndAgain() {
    std::unique_lock lock(mutex);
    for (;;) {
      while (!stopping && (held || (waiting == 0 && SteadyClock::now() < NextRequestDue()))) {
        if (held)
          changed.wait(lock);
        else
          changed.wait_until(lock, NextRequestDue());
      }
      if (stopping) return;
      FlightGearSnapshot answer{++requestsSent, SteadyClock::now(), {}, {}};
      reading = true;
      lock.unlock();
      const SendOutcome outcome = ReadBatch(answer);
      lock.lock();
      reading = false;
      if (outcome == SendOutcome::Replied)
        latest = std::move(answer);
      else
        failure = outcome;
      changed.notify_all();
      if (failure) return;
    }
  }

  // A simulator that answers at once is not asked more often than this.
  SteadyClock::time_point NextRequestDue() const { return latest.requestedAt + kLeastRequestGap; }

  // Every property in one request, then every answer in order.
  SendOutcome ReadBatch(FlightGearSnapshot& answer) {
    const auto deadline = Deadline(kReaderPatienceMs);
    if (!connection.SendAll(fetchRequest)) return SendOutcome::SystemError;
    std::string line;
    for (size_t count = FlightGearProperties().size(); answer.values.size() < count;) {
      const SendOutcome outcome = connection.ReadLine(line, deadline);
      if (outcome != SendOutcome::Replied) return outcome;
      double value = 0;
      if (!ParseFlightGearValue(line, value)) return SendOutcome::SystemError;
      answer.values.push_back(value);
    }
    return connection.ReadLine(answer.title, deadline);
  }

  // Waits for a snapshot: one requested after `after` when given, else the
  // newest when fresh, else one requested after this call began.
  SendOutcome AwaitSnapshot(std::optional<uint64_t> after, FlightGearSnapshot& taken,
                            SteadyClock::time_point deadline) {
    std::unique_lock lock(mutex);
    const uint64_t wanted = after ? *after + 1 : requestsSent + 1;
    ++waiting;
    changed.notify_all();
    const bool ready = changed.wait_until(
        lock, deadline, [&] { return failure || latest.request >= wanted || (!after && LatestIsFresh()); });
    --waiting;
    if (failure) return *failure;
    if (!ready) return SendOutcome::TimedOut;
    taken = latest;
    return SendOutcome::Replied;
  }

  // Against FlightGear 2020.3 the speed set with an unpause was at times
  // lost unless it came right behind an answer, as it does after a
  // hand-over that waits for its batch; so it waits for one.
  SendOutcome AwaitAnswer(SteadyClock::time_point deadline) {
    uint64_t sent = 0;
    {
      std::lock_guard lock(mutex);
      sent = requestsSent;
    }
    FlightGearSnapshot answered;
    return AwaitSnapshot(sent, answered, deadline);
  }

  // Ask with the reader held between batches, so that the answers on the
  // wire are not mixed up with its own.
  SendOutcome AskAlone(const std::string& request, SteadyClock::time_point deadline) {
    {
      std::unique_lock lock(mutex);
      held = true;
      const bool idle = changed.wait_until(lock, deadline, [&] { return !reading || failure; });
      if (failure || !idle) {
        held = false;
        changed.notify_all();
        return failure ? *failure : SendOutcome::TimedOut;
      }
    }
    const SendOutcome outcome = Ask(request, deadline);
    std::lock_guard lock(mutex);
    writtenAfter = requestsSent;
    held = false;
    changed.notify_all();
    return outcome;
  }

  // Sends `request` followed by a `get` of the version, and waits for that
  // answer; only FlightGear answers it with a version.
  SendOutcome Ask(const std::string& request, SteadyClock::time_point deadline) {
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

  static constexpr std::chrono::milliseconds kLeastRequestGap{20};
  // How long the reader waits for an answer; a hand-over gives up sooner.
  static constexpr int kReaderPatienceMs = 5000;

  FlightGearOptions options;
  std::string fetchRequest;
  LineConnection connection;
  std::optional<double> heldAirspeed;  // the caller's thread only

  std::thread reader;
  std::mutex mutex;
  std::condition_variable changed;  // any of the below changed
  FlightGearSnapshot latest;
  std::optional<SendOutcome> failure;  // why the reader stopped
  uint64_t requestsSent = 0;
  // The last request sent before the newest write: its answer, and any
  // before it, may not show what was written.
  uint64_t writtenAfter = 0;
  int waiting = 0;        // hand-overs waiting for a snapshot
  bool reading = false;   // the reader has a batch on the wire
  bool held = false;      // a write has the wire; the reader is to wait
  bool stopping = false;
};

}  // namespace

std::unique_ptr<SimTransport> MakeFlightGearTransport(std::string host, int port) {
  return MakeFlightGearTransport(FlightGearOptions{.host = std::move(host), .port = port});
}

std::unique_ptr<SimTransport> MakeFlightGearTransport(FlightGearOptions options) {
  return MakeVariableSimTransport(std::make_unique<FlightGearSource>(std::move(options)));
}

}  // namespace kestrix
