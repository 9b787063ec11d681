#include "console/console_flight.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include "console/console_flight_view.h"
#include "console/console_message_box.h"
#include "console/console_progress.h"
#include "console/console_web_host.h"
#include "console/scaled_clock.h"
#include "platform/internet_state.h"
#include "recorder/flight_recorder.h"
#include "recorder/result_texts.h"
#include "server/account.h"
#include "server/filing.h"
#include "server/schedule.h"
#include "sim/sim_transport.h"
#include "store/database.h"

namespace kestrix::console {
namespace {

constexpr int kPilotInfoVerified = 3;
constexpr int kPilotInfoCancelled = 1;
constexpr int kTickMs = 1000;
constexpr int kTicksPerStatusLine = 60;
// Ticks standing still after the landing before the flight counts as over.
constexpr int kStoppedTicks = 5;
constexpr auto kSimOpenPatience = std::chrono::seconds(10);

int Fail(int code, const std::string& message) {
  std::cout << "kestrix-console: " << message << std::endl;
  return code;
}

// Puts the console's services in for the run and takes them out again.
class InstalledSeams {
 public:
  InstalledSeams(const ConsoleOptions& options, std::shared_ptr<ConsoleMessageBox> boxes,
                 std::shared_ptr<ConsoleWebHost> web) {
    InstallClock(std::make_shared<ScaledClock>(options.speed));
    InstallMessageBoxPresenter(std::move(boxes));
    InstallProgressDialogFactory(MakeConsoleProgress);
    InstallWebHost(std::move(web));
    // The stand-in airline is on loopback, which the system's probe ignores.
    InstallInternetStateProbe([] { return true; });
    SetServerVariablesHost(options.serverVarsHost);
    InstallPilotInfoDialog([user = options.user, password = options.password](WindowHandle owner) {
      ServerLink link{.owner = owner};
      std::string result;
      if (!VerifyPilot(link, user, password, result)) {
        std::cout << "pilot log-in refused: " << result << std::endl;
        return kPilotInfoCancelled;
      }
      Database(owner).WritePilotInfo(PilotInfo{user, password, result});
      std::cout << "pilot " << user << " verified, pilot number " << result << std::endl;
      return kPilotInfoVerified;
    });
  }
  ~InstalledSeams() {
    InstallPilotInfoDialog(nullptr);
    SetServerVariablesHost("");
    InstallInternetStateProbe(nullptr);
    InstallWebHost(nullptr);
    InstallProgressDialogFactory(nullptr);
    InstallMessageBoxPresenter(nullptr);
    InstallClock(nullptr);
  }
  InstalledSeams(const InstalledSeams&) = delete;
  InstalledSeams& operator=(const InstalledSeams&) = delete;
};

std::string ServerValue(const ServerVariables& variables, const char* key) {
  auto found = variables.find(key);
  return found == variables.end() ? std::string() : found->second;
}

// The start-up checks of the program: database, server variables, identity.
bool StartUp() {
  Database().CreateIfMissing();
  if (!Database().Validate()) {
    ShowMessageBox(nullptr, "The database file does not seem to be valid.", kProgramCaption, MessageKind::Error);
    return false;
  }
  ServerLink link;
  ServerVariables stored;
  Database().ReadServerVariables(stored);
  if (!stored.count("version") && DownloadServerVariables(link) != 0) return false;
  stored.clear();
  Database().ReadServerVariables(stored);
  ReplyMap versionInfo;
  if (!GetServerVersionInfo(link, versionInfo)) {
    ShowMessageBox(nullptr, "There was an error retrieving the update information.", kProgramCaption,
                   MessageKind::Information);
  } else if (ServerValue(stored, "version") != versionInfo["ServerVars"] && DownloadServerVariables(link) != 0) {
    return false;
  }
  return EstablishPilotIdentity(nullptr);
}

bool Unflown(const AvailableFlight& flight) {
  using namespace FlightStatus;
  return (flight.status & (StatusCompleted | StatusFiled | StatusRemoved | StatusInProgress)) == 0;
}

// Refreshes the schedule and picks the flight: the one asked for, else the
// first not yet flown.
bool ChooseFlight(const ConsoleOptions& options, AvailableFlight& chosen) {
  PilotInfo pilot;
  Database().ReadPilotInfo(pilot);
  ServerLink link;
  std::vector<AvailableFlight> downloaded;
  if (DownloadSchedule(link, pilot.username, pilot.password, downloaded) < 0) return false;
  if (!Database().WriteAvailableFlights(downloaded, true)) return false;
  std::vector<AvailableFlight> flights;
  Database().ReadAvailableFlights(flights);
  std::cout << "schedule: " << downloaded.size() << " flights downloaded, " << flights.size() << " stored"
            << std::endl;
  for (const auto& flight : flights) {
    if (options.flightId.empty() ? Unflown(flight) : flight.flightId == options.flightId) {
      chosen = flight;
      return true;
    }
  }
  return false;
}

bool OpenSimLink(SimLink& link) {
  const auto giveUp = std::chrono::steady_clock::now() + kSimOpenPatience;
  int code = 0;
  while (!link.Open(code)) {
    if (std::chrono::steady_clock::now() >= giveUp) {
      std::cout << "simulator link failed, code " << code << std::endl;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return true;
}

const FlightRecord* FindReport(const std::vector<FlightRecord>& reports, const std::string& flightId) {
  for (const auto& report : reports) {
    if (report.flightId == flightId) return &report;
  }
  return nullptr;
}

// The airline's server as the recorder uses it, remembering how filing went
// and the report as it was stored, since a filed report leaves the store.
class WatchedFlightServer : public LinkedFlightServer {
 public:
  bool FileFlightReport(WindowHandle owner, const std::string& flightId) override {
    std::vector<FlightRecord> reports;
    Database(owner).ReadFlightReports(reports, true);
    if (const FlightRecord* stored = FindReport(reports, flightId)) report = *stored;
    attempted = true;
    filed = LinkedFlightServer::FileFlightReport(owner, flightId);
    return filed;
  }
  std::optional<FlightRecord> report;
  bool attempted = false;
  bool filed = false;
};

void PrintStatusLine(const FlightRecorder& recorder) {
  const FlightRecord& flight = recorder.TempFlight();
  const std::string& status = recorder.StatusText();
  std::printf("%4d min  alt %6d ft  tas %4d kt  fuel %6d lb  %s\n", WholeMinutes(flight.recordedTime),
              flight.altitude, flight.trueAirspeed, flight.currentFuel, status.substr(0, status.find('\n')).c_str());
  std::fflush(stdout);
}

bool LandedAndStopped(const FlightRecord& flight) {
  return flight.flightPhase == FlightPhase::Landed && flight.trueAirspeed == 0;
}

// Runs the recorder's timer until the aircraft stands after its landing.
int FlyUntilStopped(FlightRecorder& recorder, ConsoleFlightView& view, double maxMinutes) {
  const uint64_t deadline = MonotonicMs() + static_cast<uint64_t>(maxMinutes * 60000);
  uint64_t nextTick = MonotonicMs() + kTickMs;
  int stoppedFor = 0;
  for (int tick = 1; stoppedFor < kStoppedTicks; ++tick) {
    const uint64_t now = MonotonicMs();
    if (now >= deadline) return Fail(ConsoleExit::FlightFailed, "the flight took longer than the time limit");
    if (nextTick > now) SleepMs(static_cast<int64_t>(nextTick - now));
    nextTick += kTickMs;
    recorder.TimerTick();
    if (view.Closed() || !view.TimerRunning()) return Fail(ConsoleExit::FlightFailed, "the recording stopped");
    if (tick % kTicksPerStatusLine == 0) PrintStatusLine(recorder);
    stoppedFor = LandedAndStopped(recorder.TempFlight()) ? stoppedFor + 1 : 0;
  }
  return ConsoleExit::Filed;
}

int ReportResult(const AvailableFlight& flight, const WatchedFlightServer& server,
                 const ConsoleWebHost& web) {
  if (!server.attempted) return Fail(ConsoleExit::FilingFailed, "the flight report was not filed");
  if (!server.report) return Fail(ConsoleExit::FilingFailed, "the flight report was not stored");
  const FlightRecord* report = &*server.report;
  ServerLink link;
  char filedLetter = '\0';
  const bool confirmed = GetFilingState(link, flight.localId, filedLetter) == 1 && filedLetter == 'Y';
  std::cout << "\nflight " << flight.airlineIcao << flight.flightNumber << " " << flight.departure << "-"
            << flight.arrival << " (id " << report->flightId << ")\n"
            << "  minutes flown: " << report->flightMinutes << "\n"
            << "  fuel used:     " << report->fuelUsed << " lb\n"
            << "  landing rate:  " << static_cast<long>(report->landingRate) << " ft/min\n"
            << "  flight points: " << report->points.size() << "\n"
            << "  report page:   " << (web.CompletedPirep() ? "PIREP completed" : "not completed") << "\n"
            << "  PIREP filed:   " << (confirmed ? "confirmed by the server" : "NOT confirmed") << std::endl;
  if (!server.filed || !confirmed) return Fail(ConsoleExit::FilingFailed, "the server did not confirm the PIREP");
  return ConsoleExit::Filed;
}

}  // namespace

int RunConsoleFlight(const ConsoleOptions& options) {
  auto boxes = std::make_shared<ConsoleMessageBox>();
  auto web = std::make_shared<ConsoleWebHost>();
  InstalledSeams seams(options, boxes, web);

  if (!StartUp()) return Fail(ConsoleExit::StartUpFailed, "start-up failed");
  AvailableFlight flight;
  if (!ChooseFlight(options, flight)) {
    return Fail(ConsoleExit::StartUpFailed, options.flightId.empty()
                                                ? "the schedule holds no flight to fly"
                                                : "flight " + options.flightId + " is not in the schedule");
  }
  std::cout << "flying " << flight.airlineIcao << flight.flightNumber << " " << flight.departure << "-"
            << flight.arrival << " (id " << flight.flightId << ") at " << options.speed << "x" << std::endl;

  SimLink link(MakePosixSimTransport(options.simDir.empty() ? DefaultRendezvousDir() : options.simDir));
  if (!OpenSimLink(link)) return Fail(ConsoleExit::FlightFailed, "the simulator cannot be reached");
  ConsoleFlightView view;
  WatchedFlightServer server;
  FlightRecorder recorder(view, link, server);
  if (!recorder.SetFlightId(flight.flightId)) return Fail(ConsoleExit::FlightFailed, "the flight id is not usable");
  recorder.InitOnlineMode((Database().ReadProgramSettings() & ProgramSettings::Online) != 0);
  recorder.StartFlightCommand();
  if (!recorder.FlightStarted()) return Fail(ConsoleExit::FlightFailed, "the flight did not start");

  if (const int flown = FlyUntilStopped(recorder, view, options.maxMinutes); flown != ConsoleExit::Filed) {
    return flown;
  }
  std::cout << "landed and stopped; ending the flight" << std::endl;
  recorder.EndFlight();
  return ReportResult(flight, server, *web);
}

}  // namespace kestrix::console
