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
#include <thread>

#include "sim/sim_link.h"
#include "sim/sim_offsets.h"
#include "sim/sim_sampling.h"
#include "sim/sim_transport.h"
#include "sim/sim_wire.h"

namespace kestrix {
namespace {

constexpr size_t kWritesKept = 4096;
constexpr auto kSlowAnswer = std::chrono::milliseconds(300);

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
    : socketPath(RendezvousPath(rendezvousDir, windowClass)) {}

SimulatorPeer::~SimulatorPeer() { Stop(); }

bool SimulatorPeer::Start(std::string* error) {
  if (serving.Running()) return true;
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
  if (!serving.Start([this, listener] { Serve(listener); })) {
    close(listener);
    unlink(socketPath.c_str());
    return failed("cannot make a pipe for");
  }
  return true;
}

void SimulatorPeer::Stop() {
  if (!serving.Running()) return;
  serving.Stop();
  unlink(socketPath.c_str());
}

void SimulatorPeer::Serve(int listener) {
  std::vector<Client> clients;
  for (;;) {
    std::vector<pollfd> waiting{{listener, POLLIN, 0}};
    for (const Client& client : clients) waiting.push_back({client.fd, POLLIN, 0});
    if (!serving.Wait(waiting)) break;
    for (size_t index = clients.size(); index-- > 0;) {
      if (!waiting[index + 1].revents) continue;
      if (!Answer(clients[index])) {
        clients[index].Unmap();
        close(clients[index].fd);
        clients.erase(clients.begin() + static_cast<long>(index));
      }
    }
    if (waiting[0].revents & POLLIN) {
      int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) clients.emplace_back().fd = fd;
    }
  }
  for (Client& client : clients) {
    client.Unmap();
    close(client.fd);
  }
  close(listener);
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
  image.Render(Shown());
  bool any = false;
  const bool clean = WalkSimBlock(block, [&](uint32_t kind, uint32_t offset, unsigned char* data, uint32_t size) {
    any = true;
    if (kind == kSimRecordRead) {
      if (offset == SimOffset::OnGround) model.Sampled();
      image.Read(offset, data, size);
      if (fault == SimulatorFault::GarbageAnswers)
        for (uint32_t byte = 0; byte < size; ++byte) {
          noise = noise * 1664525u + 1013904223u;
          data[byte] = static_cast<unsigned char>(noise >> 24);
        }
      return;
    }
    const unsigned changed = image.Write(offset, data, size, model.MutableState());
    if (changed & (SimChange::Position | SimChange::Heading)) model.Placed();
    writes.push_back({offset, std::vector<unsigned char>(data, data + size)});
    if (writes.size() > kWritesKept) writes.erase(writes.begin(), writes.begin() + kWritesKept / 2);
    image.Render(Shown());
  });
  if (!clean) return 0;
  if (fault == SimulatorFault::BrokenRecords && any) PutU32(block + 8, 0xFFFFFFF0u);
  return 1;
}

SimVariables SimulatorPeer::Shown() const {
  SimVariables shown = model.State();
  shown.groundSpeed = shown.trueAirspeed;
  if (fault == SimulatorFault::OldInterface) shown.interfaceVersion = kSimMinInterfaceVersion - 1;
  if (fault == SimulatorFault::NotReady) shown.versionCheck = 0;
  return shown;
}

void SimulatorPeer::Update(const std::function<void()>& edit) {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex);
    edit();
    hook = changeHook;
  }
  if (hook) hook();
}

void SimulatorPeer::SetScenario(Scenario scenario) {
  Update([&] { model = FlightModel(std::move(scenario)); });
}

void SimulatorPeer::Step(double simulatedSeconds) {
  Update([&] { model.Step(simulatedSeconds); });
}

void SimulatorPeer::SetChangeHook(std::function<void()> hook) {
  std::lock_guard lock(mutex);
  changeHook = std::move(hook);
}

void SimulatorPeer::SetFault(SimulatorFault newFault) {
  Update([&] { fault = newFault; });
}

AircraftState SimulatorPeer::Aircraft() const {
  std::lock_guard lock(mutex);
  return model.State();
}

void SimulatorPeer::EditAircraft(const std::function<void(AircraftState&)>& edit) {
  Update([&] { edit(model.MutableState()); });
}

FlightStage SimulatorPeer::Stage() const {
  std::lock_guard lock(mutex);
  return model.Stage();
}

void SimulatorPeer::ApplyEvent(const ScenarioEvent& event) {
  Update([&] { model.Apply(event); });
}

SimVariables SimulatorPeer::View(bool sampling) {
  std::lock_guard lock(mutex);
  if (sampling) model.Sampled();
  return Shown();
}

void SimulatorPeer::Change(const std::function<void(SimVariables&)>& edit, unsigned changes) {
  Update([&] {
    edit(model.MutableState());
    if (changes & (SimChange::Position | SimChange::Heading)) model.Placed();
  });
}

SimulatorFault SimulatorPeer::Fault() const {
  std::lock_guard lock(mutex);
  return fault;
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
