#pragma once

#include <cstdint>
#include <string>

#include "recorder/flight_server.h"
#include "recorder/flight_view.h"
#include "recorder/point_collector.h"
#include "recorder/result_texts.h"
#include "sim/sim_link.h"
#include "sim/sim_sampling.h"
#include "store/records.h"

namespace kestrix {

// Results of FlightRecorder::Tick.
namespace TickResult {
inline constexpr int GoOn = 1;
inline constexpr int GaveUp = 0;
inline constexpr int ConnectionCancelled = -2;
}  // namespace TickResult

// The engine of the flight window: the once-a-second recording with its
// flying rules, clocks, fuel books, landing capture, periodic save, flight
// points and live feed, and the end, save and cancel of a flight. The window
// forwards its commands and timer ticks here and shows what the engine says.
class FlightRecorder {
 public:
  FlightRecorder(FlightView& view, SimLink& link, FlightServer& server);

  // The flight the window is opened for: a non-zero number or a 36-character GUID text.
  bool SetFlightId(const std::string& flightId);
  void SetResumeMode(bool resume) { resumeMode = resume; }
  // Sets the mode as the stored settings say, without sending anything.
  void InitOnlineMode(bool online) { onlineMode = online; }

  // "Start Flight"/"Resume Flight": 0 on success, -1 on failure.
  int StartFlight();
  // The menu command: starts, and then greys the item and runs the timer, or closes the window.
  void StartFlightCommand();
  // One recording tick: TickResult::GoOn, GaveUp or ConnectionCancelled.
  int Tick();
  // The window's 1000 ms timer: the tick and what its result asks for.
  void TimerTick();
  // Writes the temporary flight with its points and marks the flight in progress.
  bool SaveTempFlight();
  // The window went into the tray, where the pilot no longer sees it: the
  // flight is saved as at the other moments worth keeping it (its start, a
  // lost link before the pilot is asked, touchdown) and every five minutes.
  void WentToTray();
  // "End Flight/PIREP...".
  void EndFlight();
  // "Save/Continue Flight Later...".
  void SaveOrCancel();
  // "Online mode" toggled by the pilot.
  void SetOnlineMode(bool online);
  // A flight plan file chosen in the window's file dialog.
  void AttachFlightPlan(const std::string& filePath);

  const FlightRecord& TempFlight() const { return tempFlight; }
  const PointCollector& Collector() const { return collector; }
  const ServerVariables& ServerVars() const { return serverVars; }
  const std::string& StatusText() const { return statusText; }
  int StatusState() const { return statusState; }
  int TrayIconId() const { return trayIconId; }
  bool FlightStarted() const { return flightStarted; }
  bool OnlineMode() const { return onlineMode; }
  bool LiveFeedStanding() const { return liveFeedStanding; }
  bool GroundTimeExceeded() const { return groundTimeExceeded; }
  bool HasFlightPlan() const { return hasFlightPlan; }
  bool FlightPlanPending() const { return flightPlanPending; }
  const std::string& OpenFlightId() const { return openFlightId; }
  const std::string& PilotNumber() const { return pilotNumber; }
  FlightDisplays Displays() const;

 private:
  enum class SampleOutcome { Valid, GaveUp, Cancelled };

  SampleOutcome Sample();
  SampleOutcome ReadFuelWithRetries();
  bool ReconnectSilently();
  bool AskRetryConnection();
  void Reopen();

  void Record(int64_t now);
  void KeepFuelBooks();
  void BookFuelUsed();
  void CloseFuelSegment();
  int32_t FuelUsedSoFar() const;
  void CheckGroundTime(int64_t now);
  void NotRecording();
  void PeriodicSave();
  void SaveFlownFlight();
  void LiveFeedStep();
  void PointCounterStep();
  void SetStatus(int state);
  void RestartClocks(int64_t now);
  FlightPoint CurrentPoint() const;

  void SendLiveReport();
  void SendOfflineNotice();

  void CompleteValues();
  void StoreReport(int choice);
  void CloseFlight();
  void ReplaceNonNumericFlightId();

  std::string ServerText(const char* key) const;
  int64_t ServerNumber(const char* key) const;
  bool PointsEnabled() const;
  int32_t MaxGroundMinutes() const;

  FlightView& view;
  SimLink& link;
  FlightServer& server;

  FlightRecord tempFlight;
  AvailableFlight flightDetails;
  ServerVariables serverVars;
  PointCollector collector;
  SimCheckFields checks;
  std::string statusText;
  int statusState = RecorderStatus::NotStarted;
  int trayIconId = RecorderArt::TrayBeforeStart;
  bool sampleValid = false;
  bool busy = false;
  bool flightStarted = false;
  bool pausedSeen = false;
  bool slewSeen = false;
  bool rateSeen = false;
  bool onGroundSeen = true;
  bool groundTimeExceeded = false;
  int64_t recordClock = 0;
  int64_t groundClock = 0;
  uint32_t saveCounter = 0;
  uint32_t liveFeedCounter = 0;
  uint32_t pointCounter = 0;
  std::string pilotNumber;

  std::string openFlightId;
  bool resumeMode = false;
  bool onlineMode = false;
  bool hasFlightPlan = false;
  bool flightPlanPending = false;
  bool liveFeedStanding = false;
};

// Builds the text of the result dialog for a finished flight: the
// available flight's details are read from the store; false when they
// cannot be.
bool MakeFlightResultTexts(WindowHandle owner, const FlightRecord& record, FlightResultTexts& texts);

// The resume dialog's own copy of the stored temporary flight of `flightId`
// (empty when there is none) and the texts it shows of it.
ResumeValuesTexts ReadLastRecordedValues(WindowHandle owner, const std::string& flightId, FlightRecord& record);
// After the resume dialog: how to carry on recording.
void ShowResumeNotice(WindowHandle owner);
// The two-minute reminder of a flight waiting to be resumed; false when the
// pilot wants no more reminders.
bool AskToRemindAgain(WindowHandle owner);

// The resume dialog's "Place Aircraft": positions the aircraft at the
// flight's last recorded values and tells the pilot how it went.
bool PlaceAircraftAt(WindowHandle owner, SimLink& link, const FlightRecord& flight);

}  // namespace kestrix
