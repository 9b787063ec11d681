#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "recorder/flight_recorder.h"
#include "server/live_feed.h"
#include "simulator_peer.h"
#include "store/database.h"
#include "support/fake_clock.h"
#include "support/scripted_message_box.h"
#include "support/temp_work_dir.h"

namespace kestrix::test {

inline constexpr const char* kFlightId = "12345";

// Records what the recorder asks of the flight window.
class FakeView : public FlightView {
 public:
  WindowHandle Handle() override { return this; }
  void SetStatusLight(int bitmap, const std::string& tooltip) override { lights.push_back({bitmap, tooltip}); }
  void SetStartFlightEnabled(bool enabled) override { startEnabled = enabled; }
  void SetEndFlightEnabled(bool enabled) override { endEnabled = enabled; }
  void SetFlightPlanItemText(const std::string& text) override { flightPlanItem = text; }
  void ShowDisplays(const FlightDisplays& shown, int icon, const std::string& tip) override {
    displays = shown;
    trayIcon = icon;
    trayTip = tip;
  }
  int ShowFlightResults(const FlightResultTexts& texts) override {
    results.push_back(texts);
    return resultChoice;
  }
  void StartRecordingTimer() override { timerRunning = true; }
  void StopRecordingTimer() override { timerRunning = false; }
  void StopResumeReminder() override { reminderStopped = true; }
  void CloseWindow() override { closed = true; }

  std::vector<std::pair<int, std::string>> lights;
  bool startEnabled = true;
  bool endEnabled = false;
  std::string flightPlanItem = "Add Flightplan...";
  FlightDisplays displays;
  int trayIcon = 0;
  std::string trayTip;
  std::vector<FlightResultTexts> results;
  int resultChoice = 1;
  bool timerRunning = false;
  bool reminderStopped = false;
  bool closed = false;
};

// Keeps every live report and upload instead of sending them.
class RecordingServer : public FlightServer {
 public:
  struct Feed {
    LiveFeedRecord record;
    bool full;
  };
  bool IsInternetConnected() override { return connected; }
  void SendLiveReport(const LiveFeedRecord& record, bool full) override { feeds.push_back({record, full}); }
  void UploadFlightPlan(const std::string& pilot, const std::string& flightId, const std::string& path) override {
    uploads.push_back(pilot + "|" + flightId + "|" + path);
  }
  bool FileFlightReport(WindowHandle, const std::string& flightId) override {
    filed.push_back(flightId);
    return fileResult;
  }
  size_t FullReports() const {
    size_t count = 0;
    for (const auto& feed : feeds) count += feed.full;
    return count;
  }

  bool connected = false;
  bool fileResult = true;
  std::vector<Feed> feeds;
  std::vector<std::string> uploads;
  std::vector<std::string> filed;
};

// A fake clock that can run a hook whenever the program sleeps.
class HookedClock : public FakeClock {
 public:
  void SleepMs(int64_t milliseconds) override {
    FakeClock::SleepMs(milliseconds);
    if (onSleep) onSleep(milliseconds);
  }
  std::function<void(int64_t)> onSleep;
};

// The stand-in simulator on its own rendezvous, a real store in a fresh
// directory, and a recorder for flight kFlightId on top of both.
class RecorderTest : public ::testing::Test {
 protected:
  RecorderTest();
  ~RecorderTest() override;

  void SetUp() override;
  // Server variables the flight starts with; tests change them before Start.
  ServerVariables& Vars() { return vars; }
  void StoreVariables();
  // The schedule holds flight kFlightId alone, with no status.
  void StoreFlight();
  FlightRecorder& Recorder() { return *recorder; }
  // Writes the stored state and starts the flight; fails the test when it cannot.
  void Start(bool resume = false);
  // One second of simulated flight and one recorder tick; the tick's result.
  int Tick();
  void Ticks(int count);
  // Ticks until the stand-in reaches `stage` (at most `limit` ticks); false when it does not.
  bool TickUntil(FlightStage stage, int limit = 4000);
  bool TickUntil(const std::function<bool()>& done, int limit);
  void Command(const std::string& line);
  // Fuel on board as the recorder reads it.
  int32_t SimFuel();
  std::vector<FlightRecord> Reports(bool withPoints = true);
  std::vector<std::string> TempFlightIds();
  int32_t StoredStatus();
  int64_t Now() const { return clock->NowSeconds(); }

  TempWorkDir workDir;
  std::shared_ptr<HookedClock> clock = std::make_shared<HookedClock>();
  ScriptedMessageBox boxes;
  SimulatorPeer sim;
  SimLink link;
  FakeView view;
  RecordingServer server;
  std::unique_ptr<FlightRecorder> recorder;
  ServerVariables vars;
};

}  // namespace kestrix::test
