#include "simulator_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "sim/sim_link.h"
#include "sim/sim_offsets.h"
#include "sim/sim_sampling.h"
#include "sim/sim_transport.h"
#include "sim/sim_wire.h"

namespace kestrix {
namespace {

constexpr size_t kOffsetSpace = 0x10000;
constexpr size_t kWritesKept = 4096;
constexpr auto kSlowAnswer = std::chrono::milliseconds(300);
constexpr double kTwo32 = 4294967296.0;
constexpr double kFeetPerMetre = 3.28084;
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;

template <typename T>
void Put(std::vector<unsigned char>& memory, uint32_t offset, T value) {
  std::memcpy(memory.data() + offset, &value, sizeof value);
}

template <typename T>
T Get(const unsigned char* data) {
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

template <typename Int>
Int Rounded(double value) {
  return static_cast<Int>(std::lround(value));
}

// Nearest raw value, saturating.
int64_t Saturated(double value) {
  if (!(value > -9.2e18)) return std::isnan(value) ? 0 : INT64_MIN;
  return value < 9.2e18 ? std::llround(value) : INT64_MAX;
}

// Nearest raw value; a full turn wraps to 0.
uint32_t TrueHeadingRaw(double degrees) {
  const double turns = degrees / 360 - std::floor(degrees / 360);
  return static_cast<uint32_t>(static_cast<uint64_t>(std::llround(turns * kTwo32)) & 0xFFFFFFFFu);
}

struct FaultName {
  const char* name;
  SimulatorFault fault;
};

constexpr FaultName kFaults[] = {
    {"none", SimulatorFault::None},
    {"refuse", SimulatorFault::RefuseBlocks},
    {"silent", SimulatorFault::NotAnswering},
    {"old-interface", SimulatorFault::OldInterface},
    {"not-ready", SimulatorFault::NotReady},
    {"garbage", SimulatorFault::GarbageAnswers},
    {"broken-records", SimulatorFault::BrokenRecords},
    {"slow", SimulatorFault::SlowAnswers},
};

}  // namespace

bool ParseSimulatorFault(const std::string& name, SimulatorFault& fault) {
  for (const FaultName& known : kFaults)
    if (name == known.name) {
      fault = known.fault;
      return true;
    }
  return false;
}

struct SimulatorPeer::Client {
  int fd = -1;
  std::string blockName;
  unsigned char* block = nullptr;

  void Unmap() {
    if (block) munmap(block, kSimBlockSize);
    block = nullptr;
    blockName.clear();
  }

  // The block stays mapped while the client keeps sending the same name.
  bool Map(const std::string& name) {
    if (block && name == blockName) return true;
    Unmap();
    int shm = shm_open(SharedMemoryName(name).c_str(), O_RDWR | O_CLOEXEC, 0);
    if (shm < 0) return false;
    void* address = mmap(nullptr, kSimBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, shm, 0);
    close(shm);
    if (address == MAP_FAILED) return false;
    block = static_cast<unsigned char*>(address);
    blockName = name;
    return true;
  }
};

SimulatorPeer::SimulatorPeer(std::string rendezvousDir, std::string windowClass)
    : socketPath(RendezvousPath(rendezvousDir, windowClass)), memory(kOffsetSpace) {}

SimulatorPeer::~SimulatorPeer() { Stop(); }

bool SimulatorPeer::Start(std::string* error) {
  if (running) return true;
  auto failed = [&](const char* what) {
    if (error) *error = std::string(what) + " " + socketPath + ": " + std::strerror(errno);
    return false;
  };
  sockaddr_un address{};
  if (socketPath.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return failed("cannot use");
  }
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
  int listener = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (listener < 0) return failed("cannot make a socket for");
  unlink(socketPath.c_str());
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 16) != 0) {
    close(listener);
    return failed("cannot listen on");
  }
  int wake[2];
  if (pipe2(wake, O_CLOEXEC) != 0) {
    close(listener);
    unlink(socketPath.c_str());
    return failed("cannot make a pipe for");
  }
  wakeWrite = wake[1];
  running = true;
  server = std::thread([this, listener, wakeRead = wake[0]] { Serve(listener, wakeRead); });
  return true;
}

void SimulatorPeer::Stop() {
  if (!running) return;
  const char stop = 'q';
  (void)!write(wakeWrite, &stop, 1);
  server.join();
  close(wakeWrite);
  wakeWrite = -1;
  unlink(socketPath.c_str());
  running = false;
}

void SimulatorPeer::Serve(int listener, int wake) {
  std::vector<Client> clients;
  for (;;) {
    std::vector<pollfd> waiting{{wake, POLLIN, 0}, {listener, POLLIN, 0}};
    for (const Client& client : clients) waiting.push_back({client.fd, POLLIN, 0});
    if (poll(waiting.data(), waiting.size(), -1) < 0 && errno != EINTR) break;
    if (waiting[0].revents) break;
    for (size_t index = clients.size(); index-- > 0;) {
      if (!waiting[index + 2].revents) continue;
      if (!Answer(clients[index])) {
        clients[index].Unmap();
        close(clients[index].fd);
        clients.erase(clients.begin() + static_cast<long>(index));
      }
    }
    if (waiting[1].revents & POLLIN) {
      int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) clients.emplace_back().fd = fd;
    }
  }
  for (Client& client : clients) {
    client.Unmap();
    close(client.fd);
  }
  close(listener);
  close(wake);
}

// Handles one message; false when the client is gone.
bool SimulatorPeer::Answer(Client& client) {
  unsigned char message[4 + kSimMaxNameBytes + 1];
  ssize_t got = recv(client.fd, message, sizeof message, 0);
  if (got <= 0) return false;
  SimRequest request;
  if (!DecodeSimRequest(message, static_cast<size_t>(got), request)) return true;
  SimReply reply{request.sequence, 0};
  bool slow = false;
  {
    std::lock_guard lock(mutex);
    if (fault == SimulatorFault::NotAnswering) return true;
    slow = fault == SimulatorFault::SlowAnswers;
    if (client.Map(request.name)) reply.value = ProcessBlock(client.block);
  }
  if (slow) std::this_thread::sleep_for(kSlowAnswer);
  unsigned char out[kSimReplyBytes];
  EncodeSimReply(reply, out);
  return send(client.fd, out, sizeof out, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof out);
}

// Answers the reads and applies the writes of one block, in order. A block
// that does not walk cleanly inside the request area is refused whole.
int32_t SimulatorPeer::ProcessBlock(unsigned char* block) {
  if (fault == SimulatorFault::RefuseBlocks) return 0;
  RenderOffsets();
  size_t position = 0;
  for (;;) {
    if (position + 4 > kSimRequestArea) return 0;
    const uint32_t kind = GetU32(block + position);
    if (kind == 0) break;
    const size_t header = kind == kSimRecordRead ? kSimReadHeader : kSimWriteHeader;
    if ((kind != kSimRecordRead && kind != kSimRecordWrite) || position + header > kSimRequestArea) return 0;
    const uint32_t offset = GetU32(block + position + 4);
    const uint32_t size = GetU32(block + position + 8);
    if (size > kSimRequestArea - position - header) return 0;
    unsigned char* data = block + position + header;
    const size_t inSpace = offset < kOffsetSpace ? std::min<size_t>(size, kOffsetSpace - offset) : 0;
    if (kind == kSimRecordRead) {
      if (offset == SimOffset::OnGround) model.Sampled();
      std::memset(data, 0, size);
      if (inSpace) std::memcpy(data, memory.data() + offset, inSpace);
      if (fault == SimulatorFault::GarbageAnswers)
        for (uint32_t byte = 0; byte < size; ++byte) {
          noise = noise * 1664525u + 1013904223u;
          data[byte] = static_cast<unsigned char>(noise >> 24);
        }
    } else {
      if (inSpace) std::memcpy(memory.data() + offset, data, inSpace);
      AbsorbWrite(offset, data, size);
      writes.push_back({offset, std::vector<unsigned char>(data, data + size)});
      if (writes.size() > kWritesKept) writes.erase(writes.begin(), writes.begin() + kWritesKept / 2);
      RenderOffsets();
    }
    position += header + size;
  }
  if (fault == SimulatorFault::BrokenRecords && position > 0) PutU32(block + 8, 0xFFFFFFF0u);
  return 1;
}

void SimulatorPeer::RenderOffsets() {
  const AircraftState& s = model.State();
  using namespace SimOffset;
  Put<uint16_t>(memory, PauseControl, s.paused);
  Put<uint16_t>(memory, Paused, s.paused);
  Put<int16_t>(memory, MagneticVariation, Rounded<int16_t>(s.magneticVariation * 65536 / 360));
  Put<uint32_t>(memory, GroundSpeed, Rounded<uint32_t>(s.trueAirspeed * kMetresPerSecondPerKnot * 65536));
  Put<uint32_t>(memory, TrueAirspeed, Rounded<uint32_t>(s.trueAirspeed * 128));
  Put<int32_t>(memory, TouchdownVerticalSpeed, Rounded<int32_t>(s.touchdownVerticalSpeed / 60 / kFeetPerMetre * 256));
  Put<uint16_t>(memory, OnGround, s.onGround);
  Put<int64_t>(memory, Latitude, LatitudeToRaw(s.latitude));
  Put<int64_t>(memory, Longitude, LongitudeToRaw(s.longitude));
  Put<int64_t>(memory, Altitude, Saturated(s.altitude / kFeetPerMetre * kTwo32));
  Put<uint32_t>(memory, TrueHeading, TrueHeadingRaw(s.trueHeading));
  Put<uint16_t>(memory, Slew, s.slew);
  Put<uint16_t>(memory, FuelWeight, Rounded<uint16_t>(s.fuelWeight * 256));
  for (int tank = 0; tank < kFuelTankCount; ++tank) {
    Put<uint32_t>(memory, kFuelTanks[tank].level, Rounded<uint32_t>(s.tankLevel[tank] * 128 * 65536));
    Put<uint32_t>(memory, kFuelTanks[tank].capacity, Rounded<uint32_t>(s.tankCapacity[tank]));
  }
  Put<uint16_t>(memory, SimulationRate, static_cast<uint16_t>(s.simRate));
  Put<int16_t>(memory, OutsideAirTemp, Rounded<int16_t>(s.outsideAirTempC * 256));
  Put<uint16_t>(memory, WindSpeed, Rounded<uint16_t>(s.windSpeed));
  Put<uint16_t>(memory, WindDirection, Rounded<uint16_t>(std::fmod(s.windDirection, 360) * 65536 / 360) );
  Put<int16_t>(memory, SurfaceLayerTop, Rounded<int16_t>(s.surfaceLayerTop));
  Put<uint32_t>(memory, TotalFuelWeight, Rounded<uint32_t>(s.FuelPounds()));
  Put<double>(memory, AirspeedFeetPerSecond, s.airspeedFeetPerSecond);
  Put<uint32_t>(memory, RadioAltitude, Rounded<uint32_t>(std::max(0.0, s.RadioAltitude()) / kFeetPerMetre * 65536));
  Put<uint16_t>(memory, FuelMarker, s.fuelMarker);
  const bool oldInterface = fault == SimulatorFault::OldInterface;
  Put<uint32_t>(memory, InterfaceVersion, oldInterface ? kSimMinInterfaceVersion - 1 : s.interfaceVersion);
  const uint16_t check = fault == SimulatorFault::NotReady ? 0 : s.versionCheck;
  Put<uint32_t>(memory, SimulatorVersion, uint32_t(check) << 16 | s.versionWord);
  std::memset(memory.data() + AircraftTitle, 0, AircraftTitleBytes);
  std::memcpy(memory.data() + AircraftTitle, s.title.data(), std::min<size_t>(s.title.size(), AircraftTitleBytes - 1));
}

void SimulatorPeer::AbsorbWrite(uint32_t offset, const unsigned char* data, uint32_t size) {
  AircraftState& s = model.MutableState();
  using namespace SimOffset;
  auto is = [&](uint32_t known, uint32_t bytes) { return offset == known && size == bytes; };
  if (is(PauseControl, 2)) s.paused = Get<uint16_t>(data) != 0;
  if (is(Slew, 2)) s.slew = Get<uint16_t>(data) != 0;
  if (is(SimulationRate, 2)) s.simRate = Get<uint16_t>(data);
  if (is(FuelMarker, 2)) s.fuelMarker = Get<uint16_t>(data);
  if (is(LibraryVersion, 2)) s.libraryVersion = Get<uint16_t>(data);
  if (is(TrueHeading, 4)) s.trueHeading = Get<uint32_t>(data) * 360.0 / kTwo32;
  if (is(AirspeedFeetPerSecond, 8)) {
    s.airspeedFeetPerSecond = Get<double>(data);
    if (std::isfinite(s.airspeedFeetPerSecond))
      s.trueAirspeed = std::max(0.0, s.airspeedFeetPerSecond / KnotsToFeetPerSecond(1));
  }
  if (is(Latitude, 8)) s.latitude = LatitudeFromRaw(Get<int64_t>(data));
  if (is(Longitude, 8)) s.longitude = LongitudeFromRaw(Get<int64_t>(data));
  if (is(Altitude, 8)) s.altitude = Get<int64_t>(data) * kFeetPerMetre / kTwo32;
  if (is(Latitude, 8) || is(Altitude, 8) || is(TrueHeading, 4)) model.Placed();
}

void SimulatorPeer::SetScenario(Scenario scenario) {
  std::lock_guard lock(mutex);
  model = FlightModel(std::move(scenario));
}

void SimulatorPeer::Step(double simulatedSeconds) {
  std::lock_guard lock(mutex);
  model.Step(simulatedSeconds);
}

void SimulatorPeer::SetFault(SimulatorFault newFault) {
  std::lock_guard lock(mutex);
  fault = newFault;
}

AircraftState SimulatorPeer::Aircraft() const {
  std::lock_guard lock(mutex);
  return model.State();
}

void SimulatorPeer::EditAircraft(const std::function<void(AircraftState&)>& edit) {
  std::lock_guard lock(mutex);
  edit(model.MutableState());
}

FlightStage SimulatorPeer::Stage() const {
  std::lock_guard lock(mutex);
  return model.Stage();
}

void SimulatorPeer::ApplyEvent(const ScenarioEvent& event) {
  std::lock_guard lock(mutex);
  model.Apply(event);
}

std::vector<SimWrite> SimulatorPeer::Writes() const {
  std::lock_guard lock(mutex);
  return writes;
}

void SimulatorPeer::ClearWrites() {
  std::lock_guard lock(mutex);
  writes.clear();
}

std::string SimulatorPeer::Status() const {
  std::lock_guard lock(mutex);
  const AircraftState& s = model.State();
  char line[400];
  std::snprintf(line, sizeof line,
                "t=%.1f stage=%s lat=%.5f lon=%.5f alt=%.0f agl=%.0f hdg=%.0f tas=%.0f vs=%.0f ground=%d "
                "paused=%d slew=%d rate=%.2f fuel=%.0f marker=%u touchdown=%.0f",
                model.ScenarioTime(), FlightStageName(model.Stage()), s.latitude, s.longitude, s.altitude,
                s.RadioAltitude(), s.trueHeading, s.trueAirspeed, s.verticalSpeed, s.onGround, s.paused, s.slew,
                s.simRate / 256.0, s.FuelPounds(), s.fuelMarker, s.touchdownVerticalSpeed);
  return line;
}

bool SimulatorPeer::Command(const std::string& line, std::string& reply) {
  std::istringstream words(line);
  std::string verb, argument, extra;
  words >> verb >> argument >> extra;
  // "slew on" reads as well as "slew-on".
  if ((verb == "slew") && (argument == "on" || argument == "off") && extra.empty()) {
    verb += "-" + argument;
    argument.clear();
  }
  if (verb == "status" && argument.empty()) {
    reply = Status();
    return true;
  }
  if (verb == "fault" && extra.empty()) {
    SimulatorFault wanted;
    if (!ParseSimulatorFault(argument, wanted)) {
      reply = "unknown fault " + argument;
      return false;
    }
    SetFault(wanted);
    reply = "fault " + argument;
    return true;
  }
  if ((verb == "vanish" || verb == "return") && argument.empty()) {
    std::string error;
    bool ok = verb == "vanish" ? (Vanish(), true) : Return(&error);
    reply = ok ? verb : error;
    return ok;
  }
  ScenarioEvent event;
  if (!ParseScenarioEvent(verb + " " + argument + " " + extra, event)) {
    reply = "unknown command: " + line;
    return false;
  }
  ApplyEvent(event);
  reply = "ok " + verb;
  return true;
}

}  // namespace kestrix
