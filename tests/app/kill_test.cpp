#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "airline/airline_server.h"
#include "app/child_process.h"
#include "app/store_content.h"
#include "support/temp_work_dir.h"

namespace kestrix::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// The whole default flight takes about two seconds at this speed.
constexpr const char* kSpeed = "600";
constexpr size_t kScheduleSize = 200;
constexpr int kDefaultKills = 20;
// How often the store is read while the console runs, to learn what it committed.
constexpr milliseconds kWatchEvery{40};
constexpr const char* kScheduleStored = "schedule: ";
constexpr const char* kFlying = "flying ";
constexpr const char* kLanded = "landed and stopped";

uint32_t EnvironmentNumber(const char* name, uint32_t fallback) {
  const char* value = std::getenv(name);
  return value && *value ? static_cast<uint32_t>(std::strtoul(value, nullptr, 10)) : fallback;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The moments a kill aims at; each is a window of the run as the calibration flight timed it.
enum class Moment { FirstStart, Schedule, Recording, Ending };
constexpr Moment kMoments[] = {Moment::FirstStart, Moment::Schedule, Moment::Recording, Moment::Ending};

const char* MomentName(Moment moment) {
  switch (moment) {
    case Moment::FirstStart: return "database creation and first schedule";
    case Moment::Schedule: return "schedule download and merge";
    case Moment::Recording: return "recording";
    default: return "end of flight, report and filing";
  }
}

// When the calibration run printed each marker, counted from its start.
struct Timeline {
  milliseconds flying{0};
  milliseconds landed{0};
  milliseconds exited{0};
};

bool SameListing(AvailableFlight a, const AvailableFlight& b) {
  a.status = b.status;
  return a == b;
}

bool HasFiled(const FiledReports& filed, const std::string& flightId) {
  const auto first = filed.lower_bound({flightId, ""});
  return first != filed.end() && first->first == flightId;
}

// A report filed after `before` was taken for this flight.
bool NewlyFiled(const FiledReports& before, const FiledReports& now, const std::string& flightId) {
  return std::any_of(now.begin(), now.end(),
                     [&](const auto& entry) { return entry.first == flightId && !before.contains(entry); });
}

bool StartsWith(const std::vector<FlightPoint>& points, const std::vector<FlightPoint>& prefix) {
  return points.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), points.begin());
}

// The temporary flight lives on: saved again (a later save of the same
// recording, or a new recording), stored as a report, or filed.
bool TempFlightLivesOn(const FlightRecord& earlier, const StoreContent& before, const StoreContent& after) {
  for (const FlightRecord& later : after.tempFlights) {
    if (later.flightId != earlier.flightId) continue;
    if (later.startTime != earlier.startTime) return true;
    return later == earlier || (later.recordedTime > earlier.recordedTime && StartsWith(later.points, earlier.points));
  }
  for (const FlightRecord& report : after.reports) {
    if (report.flightId != earlier.flightId) continue;
    if (report.startTime != earlier.startTime || StartsWith(report.points, earlier.points)) return true;
  }
  return NewlyFiled(before.filedBefore, after.filedAfter, earlier.flightId);
}

// What `after` lacks of `before`, which was committed earlier.
std::vector<std::string> LostSince(const StoreContent& before, const StoreContent& after) {
  std::vector<std::string> lost;
  for (const FlightRecord& temp : before.tempFlights) {
    if (!TempFlightLivesOn(temp, before, after)) lost.push_back("temporary flight " + temp.flightId);
  }
  for (const FlightRecord& report : before.reports) {
    const bool kept = std::find(after.reports.begin(), after.reports.end(), report) != after.reports.end();
    if (!kept && !after.filedAfter.contains({report.flightId, SentSavedTime(report)})) {
      lost.push_back("report of flight " + report.flightId);
    }
  }
  for (const AvailableFlight& flight : before.flights) {
    const bool kept = std::any_of(after.flights.begin(), after.flights.end(),
                                  [&](const AvailableFlight& later) { return SameListing(later, flight); });
    if (!kept && !HasFiled(after.filedAfter, flight.flightId)) lost.push_back("listed flight " + flight.flightId);
  }
  return lost;
}

// Faults inside one state of the store: a flight marked in progress without
// its saved flight, or a track whose points were never written.
std::vector<std::string> Inconsistencies(const StoreContent& content) {
  std::vector<std::string> faults;
  for (const AvailableFlight& flight : content.flights) {
    const bool saved = std::any_of(content.tempFlights.begin(), content.tempFlights.end(),
                                   [&](const FlightRecord& temp) { return temp.flightId == flight.flightId; });
    if ((flight.status & FlightStatus::StatusInProgress) && !saved) {
      faults.push_back("flight " + flight.flightId + " in progress without its saved flight");
    }
  }
  const auto blank = [](const FlightPoint& point) { return point == FlightPoint{}; };
  for (const auto* records : {&content.tempFlights, &content.reports}) {
    for (const FlightRecord& record : *records) {
      if (std::any_of(record.points.begin(), record.points.end(), blank)) {
        faults.push_back("flight " + record.flightId + " has blank points");
      }
    }
  }
  return faults;
}

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(simDir);
    NewEpoch();
    ASSERT_TRUE(airline->Port() > 0);
  }

  FiledReports AirlineFiled() {
    FiledReports filed;
    for (const auto& report : airline->State().Reports()) {
      if (!report.filed) continue;
      filed.insert({report.Field(airline::ReportField::FlightId), report.Field(airline::ReportField::SavedTime)});
    }
    return filed;
  }

  std::unique_ptr<Child> StartSim() {
    fs::remove(simDir / "UIPCMAIN");
    // Parked until the console first samples it, so every flight is whole.
    auto sim = std::make_unique<Child>(
        std::vector<std::string>{KESTRIX_SIM_PROGRAM, "--dir", simDir.string(), "--speed", kSpeed, "--report", "0",
                                 "--scenario", KESTRIX_SIM_SCENARIO},
        workDir.Path() / "sim.log");
    for (int i = 0; i < 400 && !fs::exists(simDir / "UIPCMAIN"); ++i) std::this_thread::sleep_for(milliseconds(5));
    return sim;
  }

  // Every run flies a flight not flown before in the epoch: the stand-in
  // schedule offers a filed flight again, which the program would rightly
  // refuse to file twice.
  std::unique_ptr<Child> StartConsole() {
    if (unflown.empty()) NewEpoch();
    const std::string flightId = unflown.back();
    unflown.pop_back();
    return std::make_unique<Child>(
        std::vector<std::string>{KESTRIX_CONSOLE_PROGRAM, "--server-vars-host", airline->Host(), "--user", "demo",
                                 "--password", "demo", "--flight", flightId, "--speed", kSpeed, "--sim-dir",
                                 simDir.string(), "--workdir", workDir.Path().string(), "--max-minutes", "60"},
        consoleLog);
  }

  // One whole flight, unkilled, timing the markers of its output.
  bool Calibrate(Timeline& timeline) {
    auto sim = StartSim();
    const auto start = SteadyClock::now();
    auto console = StartConsole();
    const std::pair<const char*, milliseconds*> markers[] = {{kFlying, &timeline.flying}, {kLanded, &timeline.landed}};
    while (console->Running()) {
      const auto now = std::chrono::duration_cast<milliseconds>(SteadyClock::now() - start);
      const std::string log = ReadText(consoleLog);
      for (const auto& [marker, at] : markers) {
        if (at->count() == 0 && Contains(log, marker)) *at = now;
      }
      std::this_thread::sleep_for(milliseconds(2));
    }
    timeline.exited = std::chrono::duration_cast<milliseconds>(SteadyClock::now() - start);
    return console->Wait() == 0 && timeline.landed.count() > 0;
  }

  milliseconds KillAt(Moment moment, const Timeline& timeline) {
    const auto [from, to] = [&] {
      switch (moment) {
        case Moment::FirstStart:
        case Moment::Schedule: return std::pair{milliseconds(0), timeline.flying};
        case Moment::Recording: return std::pair{timeline.flying, timeline.landed};
        default: return std::pair{timeline.landed, timeline.exited};
      }
    }();
    return milliseconds(std::uniform_int_distribution<int64_t>(from.count(), to.count())(random));
  }

  // A fresh database and airline: nothing is committed yet.
  void NewEpoch() {
    for (const char* suffix : {"", "-journal"}) fs::remove(std::string(kDatabaseFile) + suffix);
    evidence.reset();
    scheduleStored = false;
    airline = std::make_unique<airline::AirlineServer>();
    airline->State().SetScheduleSize(kScheduleSize);
    airline->Start();
    unflown.clear();
    for (const AvailableFlight& flight : airline->State().Schedule("demo")) unflown.push_back(flight.flightId);
  }

  // Reads the store and holds it to what it held before; the new content is
  // the evidence for the next check. False when it cannot be read.
  bool Check(bool damageCounts) {
    // Before the console makes the file there is nothing committed, and
    // opening it here would make it under the console's feet.
    if (!fs::exists(kDatabaseFile)) return true;
    std::string fault;
    // As the next start-up would: create what a killed creation left empty, then validate.
    if (damageCounts) Database().CreateIfMissing();
    if (damageCounts && !Database().Validate()) fault = "does not validate";
    if (damageCounts && fault.empty() && RowsWithMismatchedPoints() != 0) fault = "point counts disagree with blobs";
    auto content = fault.empty() ? ReadStoreContent(boxes, [this] { return AirlineFiled(); }, fault) : std::nullopt;
    if (content) {
      for (const std::string& problem : Inconsistencies(*content)) fault += problem + "; ";
    }
    if (!fault.empty()) {
      if (damageCounts) Report("damaged", fault);
      return !damageCounts;
    }
    std::vector<std::string> lost = evidence ? LostSince(*evidence, *content) : std::vector<std::string>{};
    if (scheduleStored) {
      for (const AvailableFlight& flight : airline->State().Schedule("demo")) {
        const bool listed = std::any_of(content->flights.begin(), content->flights.end(),
                                        [&](const AvailableFlight& f) { return f.flightId == flight.flightId; });
        if (!listed && !HasFiled(content->filedAfter, flight.flightId)) {
          lost.push_back("scheduled flight " + flight.flightId);
        }
      }
    }
    for (const std::string& what : lost) Report(damageCounts ? "lost" : "lost while running", what);
    lostNow += lost.empty() ? 0 : 1;
    evidence = std::move(content);
    return true;
  }

  void Report(const char* kind, const std::string& what) {
    std::cout << "kill " << kills << " (" << MomentName(moment) << ", " << killedAt.count() << " ms, seed " << seed
              << "): " << kind << ": " << what << "\n";
  }

  // Starts a run and kills it at the chosen moment, watching the store meanwhile.
  // True when the console was still running to be killed.
  bool KillOneRun(const Timeline& timeline) {
    moment = kMoments[std::uniform_int_distribution<size_t>(0, std::size(kMoments) - 1)(random)];
    if (moment == Moment::FirstStart) NewEpoch();
    killedAt = KillAt(moment, timeline);
    auto sim = StartSim();
    const auto start = SteadyClock::now();
    auto console = StartConsole();
    for (auto next = start; SteadyClock::now() < start + killedAt && console->Running();) {
      std::this_thread::sleep_until(std::min(next, start + killedAt));
      if (SteadyClock::now() < next) continue;
      Check(false);
      next += kWatchEvery;
    }
    const bool killed = console->KillNow();
    sim.reset();
    scheduleStored = scheduleStored || Contains(ReadText(consoleLog), kScheduleStored);
    if (!Check(true)) {
      ++damaged;
      NewEpoch();
    }
    lost += lostNow ? 1 : 0;
    lostNow = 0;
    return killed;
  }

  TempWorkDir workDir;
  fs::path simDir = workDir.Path() / "sim";
  fs::path consoleLog = workDir.Path() / "console.log";
  ScriptedMessageBox boxes;
  std::unique_ptr<airline::AirlineServer> airline;
  std::vector<std::string> unflown;
  uint32_t seed = EnvironmentNumber("KESTRIX_KILL_SEED", std::random_device()());
  std::mt19937 random{seed};
  std::optional<StoreContent> evidence;
  bool scheduleStored = false;
  Moment moment = Moment::FirstStart;
  milliseconds killedAt{0};
  int kills = 0;
  int damaged = 0;
  int lost = 0;
  int lostNow = 0;
};

// Kills the console at random moments of its work and checks after every kill
// that the store opens, validates and still holds all it had committed.
TEST_F(KillTest, NoCommittedFlightIsLostToAKill) {
  Timeline timeline;
  ASSERT_TRUE(Calibrate(timeline)) << ReadText(consoleLog);
  scheduleStored = true;
  ASSERT_TRUE(Check(true));
  const int wanted = static_cast<int>(EnvironmentNumber("KESTRIX_KILLS", kDefaultKills));
  for (int runs = 0; kills < wanted && runs < 2 * wanted + 10; ++runs) {
    if (KillOneRun(timeline)) ++kills;
  }
  std::cout << "killtest.seed " << seed << "\nkilltest.kills " << kills << "\nkilltest.damaged " << damaged
            << "\nkilltest.lost " << lost << std::endl;
  EXPECT_EQ(kills, wanted);
  EXPECT_EQ(damaged, 0);
  EXPECT_EQ(lost, 0);
}

}  // namespace
}  // namespace kestrix::test
