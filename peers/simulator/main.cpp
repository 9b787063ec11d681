#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "flightgear_front_end.h"
#include "sim/simulator_endpoints.h"
#include "simulator_peer.h"
#include "sim/sim_link.h"
#include "sim/sim_transport.h"
#include "sim/xplane_wire.h"
#include "xplane_front_end.h"

namespace {

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

const char* kUsage =
    "usage: kestrix-sim [options]\n"
    "Stand-in flight simulator with its interface module, flying a scenario.\n"
    "  --dir DIR          rendezvous directory (default $KESTRIX_SIM_DIR, else /tmp)\n"
    "  --network-client   answer as the network client (FS98MAIN) instead of UIPCMAIN\n"
    "  --protocol NAME    module (the interface module, default), flightgear (a props\n"
    "                     server on 127.0.0.1) or xplane (X-Plane's UDP datarefs on 127.0.0.1)\n"
    "  --port N           the props server's port (default 5401) or X-Plane's (default 49000)\n"
    "  --beacon           with xplane: announce it on X-Plane's beacon group once a second\n"
    "  --scenario FILE    fly the scenario in FILE instead of the default flight\n"
    "  --speed N          simulated seconds per real second (default 1)\n"
    "  --fault NAME       none, refuse, silent, old-interface, not-ready, garbage, broken-records, slow\n"
    "  --report N         print the status every N simulated seconds (default 30; 0 only at stage changes)\n"
    "  --exit-when-stopped  end once the aircraft has stopped after landing\n"
    "  --help             this text\n"
    "Standard input takes one command a line: pause, unpause, slew on, slew off,\n"
    "rate N, refuel [LBS], land, bounce, touch-and-go, marker N, ground-stop,\n"
    "heading DEG, fault NAME, vanish, return, status, quit.\n";

struct Options {
  std::string dir = kestrix::DefaultRendezvousDir();
  std::string windowClass = kestrix::kSimWindowClass;
  std::string scenarioFile;
  double speed = 1;
  double report = 30;
  kestrix::SimulatorFault fault = kestrix::SimulatorFault::None;
  bool exitWhenStopped = false;
  std::string protocol = "module";
  int port = -1;  // the protocol's own
  bool beacon = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int index = 1; index < argc; ++index) {
    std::string option = argv[index];
    auto value = [&](std::string& out) {
      if (index + 1 >= argc) return false;
      out = argv[++index];
      return true;
    };
    std::string text;
    if (option == "--help") {
      std::cout << kUsage;
      std::exit(0);
    } else if (option == "--network-client") {
      options.windowClass = kestrix::kSimNetworkWindowClass;
    } else if (option == "--beacon") {
      options.beacon = true;
    } else if (option == "--exit-when-stopped") {
      options.exitWhenStopped = true;
    } else if (option == "--dir") {
      if (!value(options.dir)) return false;
    } else if (option == "--scenario") {
      if (!value(options.scenarioFile)) return false;
    } else if (option == "--speed" || option == "--report") {
      if (!value(text)) return false;
      char* end = nullptr;
      double number = std::strtod(text.c_str(), &end);
      if (*end || number < 0 || (option == "--speed" && number <= 0)) return false;
      (option == "--speed" ? options.speed : options.report) = number;
    } else if (option == "--protocol") {
      if (!value(options.protocol) ||
          (options.protocol != "module" && options.protocol != "flightgear" && options.protocol != "xplane"))
        return false;
    } else if (option == "--port") {
      if (!value(text)) return false;
      char* end = nullptr;
      const long port = std::strtol(text.c_str(), &end, 10);
      if (*end || port < 0 || port > 65535) return false;
      options.port = static_cast<int>(port);
    } else if (option == "--fault") {
      if (!value(text) || !kestrix::ParseSimulatorFault(text, options.fault)) return false;
    } else {
      return false;
    }
  }
  return true;
}

// Control lines from standard input, read without blocking; buffered here
// rather than in std::cin so that no complete line waits for more input.
class ControlInput {
 public:
  // Takes what is waiting and moves complete lines to `lines`.
  void Poll(std::vector<std::string>& lines) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    while (open && poll(&input, 1, 0) > 0) {
      char chunk[512];
      ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
      if (got <= 0) {
        open = false;
        break;
      }
      pending.append(chunk, static_cast<size_t>(got));
    }
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      std::string line = pending.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
  }

 private:
  std::string pending;
  bool open = true;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options) || (options.beacon && options.protocol != "xplane")) {
    std::cerr << kUsage;
    return 2;
  }
  kestrix::Scenario scenario;
  std::string error;
  if (!options.scenarioFile.empty() && !kestrix::LoadScenarioFile(options.scenarioFile, scenario, error)) {
    std::cerr << "kestrix-sim: " << error << "\n";
    return 2;
  }
  signal(SIGINT, RequestStop);
  signal(SIGTERM, RequestStop);
  signal(SIGPIPE, SIG_IGN);

  kestrix::SimulatorPeer peer(options.dir, options.windowClass);
  peer.SetScenario(scenario);
  peer.SetFault(options.fault);
  const kestrix::SimulatorEndpoints defaults;
  kestrix::FlightGearFrontEnd props(peer);
  kestrix::XPlaneFrontEnd xPlane(peer);
  const bool started = options.protocol == "flightgear"
                           ? props.Start(options.port < 0 ? defaults.flightGear.port : options.port, &error)
                       : options.protocol == "xplane"
                           ? xPlane.Start(options.port < 0 ? defaults.xPlane.port : options.port, &error)
                           : peer.Start(&error);
  if (!started) {
    std::cerr << "kestrix-sim: " << error << "\n";
    return 1;
  }
  const std::string where = options.protocol == "flightgear" ? "127.0.0.1:" + std::to_string(props.Port()) + " (props)"
                            : options.protocol == "xplane"   ? "127.0.0.1:" + std::to_string(xPlane.Port()) + " (X-Plane)"
                                                             : peer.SocketPath();
  std::cout << "kestrix-sim: listening on " << where << "\n" << peer.Status() << std::endl;

  using Clock = std::chrono::steady_clock;
  auto last = Clock::now();
  double sinceReport = 0;
  auto lastBeacon = Clock::time_point{};
  kestrix::FlightStage stage = peer.Stage();
  ControlInput input;
  bool quit = false;
  while (!stopRequested && !quit) {
    std::vector<std::string> lines;
    input.Poll(lines);
    for (const std::string& line : lines) {
      if (line == "quit") quit = true;
      if (quit || line.empty()) continue;
      std::string reply;
      peer.Command(line, reply);
      std::cout << reply << std::endl;
    }
    usleep(20000);
    const auto now = Clock::now();
    // As X-Plane does, once a second; where the network has no multicast it is simply not heard.
    if (options.beacon && now - lastBeacon >= std::chrono::seconds(1)) {
      xPlane.SendBeacon(kestrix::kXPlaneBeaconGroup, kestrix::kXPlaneBeaconPort);
      lastBeacon = now;
    }
    const double elapsed = std::chrono::duration<double>(now - last).count() * options.speed;
    last = now;
    // The simulation rate speeds the simulated world up as it would in the simulator.
    const double seconds = elapsed * peer.Aircraft().simRate / 256.0;
    peer.Step(seconds);
    sinceReport += seconds;
    if (peer.Stage() != stage || (options.report > 0 && sinceReport >= options.report)) {
      stage = peer.Stage();
      sinceReport = 0;
      std::cout << peer.Status() << std::endl;
    }
    if (options.exitWhenStopped && stage == kestrix::FlightStage::Stopped) break;
  }
  props.Stop();
  xPlane.Stop();
  peer.Stop();
  return 0;
}
