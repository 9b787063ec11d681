// Recording ticks against the stand-in simulator program: the time of one
// tick and of one IPC round trip, and the memory a 24-hour flight needs.
#include <fcntl.h>
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
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "recorder/flight_recorder.h"
#include "sim/sim_offsets.h"
#include "sim/sim_transport.h"
#include "store/database.h"

extern char** environ;

namespace {

using namespace kestrix;
namespace fs = std::filesystem;

constexpr int kRoundTrips = 5000;
constexpr int kFlightTicks = 86400;

class BenchClock : public Clock {
 public:
  int64_t NowSeconds() override { return nowMs / 1000; }
  uint64_t MonotonicMs() override { return static_cast<uint64_t>(nowMs.load()); }
  void SleepMs(int64_t milliseconds) override { nowMs += milliseconds; }
  std::atomic<int64_t> nowMs{1'800'000'000'000};
};

class QuietView : public FlightView {
 public:
  WindowHandle Handle() override { return nullptr; }
  void SetStatusLight(int, const std::string&) override {}
  void SetStartFlightEnabled(bool) override {}
  void SetEndFlightEnabled(bool) override {}
  void SetFlightPlanItemText(const std::string&) override {}
  void ShowDisplays(const FlightDisplays&, int, const std::string&) override {}
  int ShowFlightResults(const FlightResultTexts&) override { return 1; }
  void StartRecordingTimer() override {}
  void StopRecordingTimer() override {}
  void StopResumeReminder() override {}
  void CloseWindow() override {}
};

class OfflineServer : public FlightServer {
 public:
  bool IsInternetConnected() override { return false; }
  void SendLiveReport(const LiveFeedRecord&, bool) override {}
  void UploadFlightPlan(const std::string&, const std::string&, const std::string&) override {}
  bool FileFlightReport(WindowHandle, const std::string&) override { return false; }
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

pid_t StartSimulator(const std::string& dir, const std::string& scenarioFile) {
  const std::string program = SimulatorProgram();
  std::vector<std::string> args{program, "--dir", dir, "--report", "0", "--speed", "60", "--scenario", scenarioFile};
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
  const std::string socket = RendezvousPath(dir, kSimWindowClass);
  for (int wait = 0; wait < 500 && !fs::exists(socket); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return fs::exists(socket) ? pid : -1;
}

void StoreFlight() {
  Database db;
  db.CreateSchema();
  db.WritePilotInfo(PilotInfo{"pilot", "secret", "1234"});
  db.WriteServerVariables({{"maxGroundTime", "30"},
                           {"liveFeedUpdateTime", "60"},
                           {"flightPointsEnabledTest", "True"},
                           {"flightPointUploadSize", "500"},
                           {"flightPointHeadingTrigger", "15"},
                           {"flightPointAltitudeTrigger", "500"}});
  std::vector<AvailableFlight> flights{
      AvailableFlight{"guid-1", "SCHED", "4711", "KSEA", "", "KPDX", "", "HAL", "123", "", "", "", "", 0}};
  db.WriteAvailableFlights(flights, false);
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("kestrix-recorder-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);
  {
    // A long cruise with turns, so the flight points keep being tested all day.
    std::ofstream scenario(dir / "day.scenario");
    scenario << "cruise-seconds 5000000\n";
    for (int hour = 0; hour < 24 * 60; ++hour) scenario << "at " << 600 + hour * 3600 << " heading " << (hour * 97) % 360 << "\n";
  }
  StoreFlight();
  const pid_t simulator = StartSimulator(dir.string(), (dir / "day.scenario").string());
  if (simulator < 0) {
    std::fprintf(stderr, "recorder_bench: the stand-in simulator did not start (%s)\n", SimulatorProgram().c_str());
    return 1;
  }

  SimLink link(MakePosixSimTransport(dir.string()));
  int code = 0;
  if (!link.Open(code)) {
    std::fprintf(stderr, "recorder_bench: no link to the simulator (code %d)\n", code);
    kill(simulator, SIGTERM);
    return 1;
  }

  std::vector<double> roundTrips;
  roundTrips.reserve(kRoundTrips);
  for (int i = 0; i < kRoundTrips; ++i) {
    uint16_t paused = 0;
    const auto begin = std::chrono::steady_clock::now();
    link.Read(2, SimOffset::Paused, &paused, code);
    link.Process(code);
    roundTrips.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
  }

  auto clock = std::make_shared<BenchClock>();
  InstallClock(clock);
  QuietView view;
  OfflineServer server;
  FlightRecorder recorder(view, link, server);
  recorder.SetFlightId("4711");
  std::vector<double> ticks;
  ticks.reserve(kFlightTicks);
  if (recorder.StartFlight() != 0) {
    std::fprintf(stderr, "recorder_bench: the flight did not start\n");
    kill(simulator, SIGTERM);
    return 1;
  }
  const double startMegabytes = ResidentMegabytes();
  for (int i = 0; i < kFlightTicks; ++i) {
    clock->nowMs += 1000;
    const auto begin = std::chrono::steady_clock::now();
    recorder.Tick();
    ticks.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
  }
  const double endMegabytes = ResidentMegabytes();
  InstallClock(nullptr);
  link.Close();
  kill(simulator, SIGTERM);
  waitpid(simulator, nullptr, 0);

  std::printf("recorder.ipc_roundtrip_us.median: %.1f\n", Percentile(roundTrips, 0.5));
  std::printf("recorder.tick_us.median: %.1f\n", Percentile(ticks, 0.5));
  std::printf("recorder.tick_us.p99: %.1f\n", Percentile(ticks, 0.99));
  std::printf("recorder.rss_mb.start: %.2f\n", startMegabytes);
  std::printf("recorder.rss_mb.after_86400_ticks: %.2f\n", endMegabytes);
  std::printf("recorder.points_after_86400_ticks: %zu\n", recorder.Collector().Points().size());
  std::printf("recorder.recorded_minutes: %d\n", WholeMinutes(recorder.TempFlight().recordedTime));
  fs::current_path(dir.parent_path());
  fs::remove_all(dir);
  return 0;
}
