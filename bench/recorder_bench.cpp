// Recording ticks against the stand-in simulator program: the time of one
// tick and of one IPC round trip, and the memory a 24-hour flight needs;
// then the time of one tick with the stand-in shown as FlightGear and as X-Plane.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "recorder/flight_recorder.h"
#include "sim/flightgear_transport.h"
#include "sim/sim_offsets.h"
#include "sim/sim_transport.h"
#include "sim/xplane_transport.h"
#include "store/database.h"
#include "support/quiet_recorder_peers.h"

extern char** environ;

namespace {

using namespace kestrix;
namespace fs = std::filesystem;

constexpr int kRoundTrips = 5000;
constexpr int kFlightTicks = 86400;
constexpr int kTimedTicks = 20000;

class BenchClock : public Clock {
 public:
  int64_t NowSeconds() override { return nowMs / 1000; }
  uint64_t MonotonicMs() override { return static_cast<uint64_t>(nowMs.load()); }
  void SleepMs(int64_t milliseconds) override { nowMs += milliseconds; }
  std::atomic<int64_t> nowMs{1'800'000'000'000};
};

double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  }
  return 0;
}

double Percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(share * values.size()))];
}

// The stand-in simulator next to this program in the build tree, or $KESTRIX_SIM_BIN.
std::string SimulatorProgram() {
  if (const char* path = std::getenv("KESTRIX_SIM_BIN")) return path;
  return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "peers/simulator/kestrix-sim").string();
}

// A port free a moment ago, for the stand-in shown as another simulator.
int FreePort(int type) {
  const int probe = socket(AF_INET, type, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);
  return ntohs(address.sin_port);
}

// How the recorder reaches the stand-in: through its interface module, or
// through the simulator it shows itself as on `port`.
struct Route {
  std::string protocol = "module";
  int port = 0;
  std::unique_ptr<SimTransport> Transport(const std::string& dir) const {
    if (protocol == "flightgear") return MakeFlightGearTransport("127.0.0.1", port);
    if (protocol == "xplane") return MakeXPlaneTransport({.host = "127.0.0.1", .port = port, .beaconPort = 0});
    return MakePosixSimTransport(dir);
  }
};

pid_t StartSimulator(const std::string& dir, const std::string& scenarioFile, const std::string& speed,
                     const Route& route) {
  const std::string program = SimulatorProgram();
  std::vector<std::string> args{program, "--dir", dir, "--report", "0", "--speed", speed, "--scenario", scenarioFile};
  if (route.port) args.insert(args.end(), {"--protocol", route.protocol, "--port", std::to_string(route.port)});
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return -1;
  if (route.port) return pid;  // the link's open waits for the simulator
  const std::string socket = RendezvousPath(dir, kSimWindowClass);
  for (int wait = 0; wait < 500 && !fs::exists(socket); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (fs::exists(socket)) return pid;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  return -1;
}

void StopSimulator(pid_t pid) {
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  fs::remove(RendezvousPath(fs::current_path().string(), kSimWindowClass));
}

void StoreFlight() {
  Database db;
  db.CreateSchema();
  db.WritePilotInfo(PilotInfo{"pilot", "secret", "1234"});
  db.WriteServerVariables({{"maxGroundTime", "30"},
                           {"liveFeedUpdateTime", "60"},
                           {"flightPointsEnabledTest", "True"},
                           {"flightPointUploadSize", "2000"},
                           {"flightPointHeadingTrigger", "15"},
                           {"flightPointAltitudeTrigger", "500"}});
  std::vector<AvailableFlight> flights{
      AvailableFlight{"guid-1", "SCHED", "4711", "KSEA", "", "KPDX", "", "HAL", "123", "", "", "", "", 0}};
  db.WriteAvailableFlights(flights, false);
}

struct FlightRun {
  std::vector<double> roundTripsUs;
  std::vector<double> ticksUs;
  double startMegabytes = 0;
  double endMegabytes = 0;
  size_t points = 0;
  int recordedMinutes = 0;
};

// Records `ticks` seconds of flight against a simulator program flying
// `scenarioFile` at `speed` simulated seconds per real second.
bool Fly(const fs::path& dir, const std::string& scenarioFile, const std::string& speed, int ticks, FlightRun& run,
         const Route& route = {}) {
  const pid_t simulator = StartSimulator(dir.string(), scenarioFile, speed, route);
  if (simulator < 0) {
    std::fprintf(stderr, "recorder_bench: the stand-in simulator did not start (%s)\n", SimulatorProgram().c_str());
    return false;
  }
  SimLink link(route.Transport(dir.string()));
  int code = 0;
  bool flown = link.Open(code);
  for (int wait = 0; wait < 500 && !flown; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    flown = link.Open(code);
  }
  if (flown) {
    run.roundTripsUs.reserve(kRoundTrips);
    for (int i = 0; i < kRoundTrips; ++i) {
      uint16_t paused = 0;
      const auto begin = std::chrono::steady_clock::now();
      link.Read(2, SimOffset::Paused, &paused, code);
      link.Process(code);
      run.roundTripsUs.push_back(
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
    }
    auto clock = std::make_shared<BenchClock>();
    InstallClock(clock);
    test::QuietView view;
    test::OfflineServer server;
    FlightRecorder recorder(view, link, server);
    recorder.SetFlightId("4711");
    run.ticksUs.reserve(ticks);
    flown = recorder.StartFlight() == 0;
    run.startMegabytes = ResidentMegabytes();
    for (int i = 0; flown && i < ticks; ++i) {
      clock->nowMs += 1000;
      const auto begin = std::chrono::steady_clock::now();
      recorder.Tick();
      run.ticksUs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
    }
    run.endMegabytes = ResidentMegabytes();
    run.points = recorder.Collector().Points().size();
    run.recordedMinutes = WholeMinutes(recorder.TempFlight().recordedTime);
    InstallClock(nullptr);
    link.Close();
  }
  StopSimulator(simulator);
  if (!flown) std::fprintf(stderr, "recorder_bench: no flight against the simulator (code %d)\n", code);
  return flown;
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("kestrix-recorder-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);
  const std::string defaultFlight = (dir / "default.scenario").string();
  const std::string dayFlight = (dir / "day.scenario").string();
  std::ofstream(defaultFlight) << "# the default flight\n";
  {
    // A day-long cruise with a turn every five minutes, so points keep
    // coming; the simulator runs fast enough to fly it while the ticks run.
    std::ofstream scenario(dayFlight);
    scenario << "hold-seconds 0\ncruise-seconds 5000000\n";
    for (int turn = 0; turn < 24 * 60 * 60; turn += 300) scenario << "at " << 600 + turn << " heading " << (turn * 7) % 360 << "\n";
  }
  StoreFlight();

  // Timing against a simulator at its normal pace; memory over a whole day
  // flown fast (its stepping then competes for the cores, so its tick times
  // are not the recorder's).
  FlightRun paced;
  FlightRun day;
  FlightRun flightGear;
  FlightRun xPlane;
  const bool ok = Fly(dir, defaultFlight, "1", kTimedTicks, paced) && Fly(dir, dayFlight, "3000", kFlightTicks, day) &&
                  Fly(dir, defaultFlight, "1", kTimedTicks, flightGear, Route{"flightgear", FreePort(SOCK_STREAM)}) &&
                  Fly(dir, defaultFlight, "1", kTimedTicks, xPlane, Route{"xplane", FreePort(SOCK_DGRAM)});
  fs::current_path(dir.parent_path());
  fs::remove_all(dir);
  if (!ok) return 1;

  std::printf("recorder.ipc_roundtrip_us.median: %.1f\n", Percentile(paced.roundTripsUs, 0.5));
  std::printf("recorder.tick_us.median: %.1f\n", Percentile(paced.ticksUs, 0.5));
  std::printf("recorder.tick_us.p99: %.1f\n", Percentile(paced.ticksUs, 0.99));
  std::printf("recorder.tick_us.median.flightgear_standin: %.1f\n", Percentile(flightGear.ticksUs, 0.5));
  std::printf("recorder.tick_us.median.xplane_standin: %.1f\n", Percentile(xPlane.ticksUs, 0.5));
  std::printf("recorder.rss_mb.start: %.2f\n", day.startMegabytes);
  std::printf("recorder.rss_mb.after_86400_ticks: %.2f\n", day.endMegabytes);
  std::printf("recorder.points_after_86400_ticks: %zu\n", day.points);
  std::printf("recorder.recorded_minutes_after_86400_ticks: %d\n", day.recordedMinutes);
  return 0;
}
