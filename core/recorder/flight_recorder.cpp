#include "recorder/flight_recorder.h"


#include "platform/clock.h"
#include "recorder/live_feed.h"
#include "server/command_request.h"
#include "server/flight_plan.h"
#include "protocol/reply_format.h"
#include "store/database.h"

namespace kestrix {

namespace {

constexpr int32_t kNormalSimRate = 256;
constexpr int64_t kReconnectWaitMs = 500;
constexpr int64_t kFuelRetryWaitMs = 1000;
constexpr int kSilentReconnects = 6;
constexpr int kRejectedSampleLimit = 5;
constexpr uint32_t kSaveEveryTicks = 300;
constexpr uint32_t kPointTestCount = 5;
constexpr int32_t kBounceRadioAltitude = 50;
constexpr size_t kTrayTipLength = 127;

const char* const kStatusTexts[] = {
    "Recorder stopped. Waiting for flight start.", "Recording.", "Flight Simulator paused.", "Slew mode active.",
    "Time rate greater than 1x.", "Ground time exceeded.",
};

bool LinkLost(int code) {
  return code == SimResult::NotOpen || code == SimResult::TimedOut || code == SimResult::SendFailed;
}

void Notify(WindowHandle owner, const char* text, unsigned kind) { ShowMessageBox(owner, text, kProgramCaption, kind); }

bool Ask(WindowHandle owner, const char* text, unsigned kind = MessageKind::Question) {
  return ShowMessageBox(owner, text, kProgramCaption, kind) == MessageResult::Yes;
}

}  // namespace

FlightRecorder::FlightRecorder(FlightView& view, SimLink& link, FlightServer& server)
    : view(view), link(link), server(server), statusText(kStatusTexts[RecorderStatus::NotStarted]) {}

bool FlightRecorder::SetFlightId(const std::string& flightId) {
  if (LeadingDecimal(flightId) == 0 && !IsGuidString(flightId)) {
    Notify(view.Handle(), "The FlightId is invalid.", MessageKind::Error);
    return false;
  }
  tempFlight.flightId = openFlightId = flightId;
  return true;
}

std::string FlightRecorder::ServerText(const char* key) const { return Variable(serverVars, key); }

int64_t FlightRecorder::ServerNumber(const char* key) const { return LeadingDecimal(ServerText(key)); }

bool FlightRecorder::PointsEnabled() const { return ServerText("flightPointsEnabledTest") == "True"; }

int32_t FlightRecorder::MaxGroundMinutes() const { return static_cast<int32_t>(ServerNumber("maxGroundTime")); }

int FlightRecorder::StartFlight() {
  const WindowHandle owner = view.Handle();
  view.StopResumeReminder();

  FlightRecord fresh;
  fresh.flightId = tempFlight.flightId;
  fresh.flightPlanFile = tempFlight.flightPlanFile;
  tempFlight = fresh;
  pausedSeen = slewSeen = rateSeen = groundTimeExceeded = false;
  sampleValid = true;

  serverVars.clear();
  Database(owner).ReadServerVariables(serverVars);
  collector = PointCollector();
  collector.Configure(static_cast<int32_t>(ServerNumber("flightPointAltitudeTrigger")),
                      static_cast<int32_t>(ServerNumber("flightPointHeadingTrigger")),
                      static_cast<uint32_t>(ServerNumber("flightPointUploadSize")));

  if (resumeMode) {
    std::vector<std::string> ids;
    Database(owner).ReadTempFlightIds(ids);
    if (ids.empty()) {
      Notify(owner, "There are no temp flights to resume.", MessageKind::Information);
      return -1;
    }
    for (const auto& id : ids) {
      if (id != tempFlight.flightId) continue;
      if (!Database(owner).ReadTempFlight(id, tempFlight, true, hasFlightPlan)) return -1;
      if (PointsEnabled()) collector.Load(tempFlight.points);
      tempFlight.points.clear();
      if (hasFlightPlan || !tempFlight.flightPlanFile.empty()) {
        view.SetFlightPlanItemText("Update Flightplan...");
        hasFlightPlan = flightPlanPending = true;
      }
      break;
    }
  } else {
    tempFlight.flightPhase = FlightPhase::NotAirborne;
  }

  std::vector<FlightRecord> reports;
  Database(owner).ReadFlightReports(reports, false);
  for (const auto& report : reports) {
    if (report.flightId == tempFlight.flightId) tempFlight.priorMinutes += report.flightMinutes;
  }

  int code = 0;
  if (Sample() != SampleOutcome::Valid || !ReadFuelMarker(link, tempFlight.startFuelMarker, code)) {
    Notify(owner, "There was an error processing the initial FSUIPC data.\r\nPlease restart the flight.",
           MessageKind::Error);
    return -1;
  }
  tempFlight.segmentStartFuel = tempFlight.fuelRemaining = tempFlight.currentFuel;

  const int64_t now = NowSeconds();
  recordClock = groundClock = tempFlight.startTime = now;
  saveCounter = liveFeedCounter = 0;

  PilotInfo pilot;
  Database(owner).ReadPilotInfo(pilot);
  pilotNumber = pilot.pilotNumber;
  Database(owner).ReadAvailableFlight(tempFlight.flightId, flightDetails);

  if (onlineMode) {
    SendLiveReport();
  } else {
    SendOfflineNotice();
  }

  int32_t onGround = 0;
  if (ReadOnGround(link, onGround, code) && onGround == 1 && tempFlight.flightPhase == FlightPhase::Landed) {
    view.SetEndFlightEnabled(true);
  }
  return 0;
}

void FlightRecorder::StartFlightCommand() {
  if (StartFlight() != 0) {
    view.CloseWindow();
    return;
  }
  flightStarted = true;
  view.SetStartFlightEnabled(false);
  view.StartRecordingTimer();
  SaveFlownFlight();
}

void FlightRecorder::WentToTray() {
  if (flightStarted) SaveFlownFlight();
}

void FlightRecorder::Reopen() {
  int code = 0;
  link.Close();
  SleepMs(kReconnectWaitMs);
  link.Open(code);
}

bool FlightRecorder::ReconnectSilently() {
  for (int attempt = 0; attempt < kSilentReconnects; ++attempt) {
    int code = 0;
    link.Close();
    SleepMs(kReconnectWaitMs);
    if (link.Open(code)) return true;
  }
  return false;
}

// The pilot's answer to the lost connection; Retry reopens the link.
bool FlightRecorder::AskRetryConnection() {
  // The pilot may give up, or the program may not live through the wait.
  if (flightStarted) SaveFlownFlight();
  const int answer =
      ShowMessageBox(view.Handle(), "Connection to Flight Simulator lost.", kProgramCaption, MessageKind::RetryCancel);
  if (answer != MessageResult::Retry) return false;
  Reopen();
  return true;
}

FlightRecorder::SampleOutcome FlightRecorder::Sample() {
  int rejected = 0;
  for (;;) {
    int code = 0;
    if (SampleSimulator(link, checks, tempFlight, code)) {
      sampleValid = true;
      return ReadFuelWithRetries();
    }
    if (LinkLost(code)) {
      if (!ReconnectSilently() && !AskRetryConnection()) return SampleOutcome::Cancelled;
      continue;
    }
    sampleValid = false;
    if (code != SimResult::Rejected || ++rejected >= kRejectedSampleLimit) {
      SleepMs(kReconnectWaitMs);
      return SampleOutcome::GaveUp;
    }
    Reopen();
    SleepMs(kReconnectWaitMs);
  }
}

FlightRecorder::SampleOutcome FlightRecorder::ReadFuelWithRetries() {
  int rejected = 0;
  for (;;) {
    int code = 0;
    if (ReadFuel(link, tempFlight.currentFuel, code)) return SampleOutcome::Valid;
    if (LinkLost(code)) {
      if (!AskRetryConnection()) return SampleOutcome::Cancelled;
      continue;
    }
    sampleValid = false;
    if (code != SimResult::Rejected || ++rejected >= kRejectedSampleLimit) return SampleOutcome::GaveUp;
    SleepMs(kFuelRetryWaitMs);
  }
}

int FlightRecorder::Tick() {
  if (busy) return TickResult::GoOn;
  busy = true;
  const SampleOutcome outcome = Sample();
  if (outcome == SampleOutcome::Cancelled) {
    busy = false;
    return TickResult::ConnectionCancelled;
  }
  if (outcome == SampleOutcome::GaveUp) {
    const bool keepTrying =
        Ask(view.Handle(), "Having a problem retrieving data from FSUIPC.\n\nShould I keep trying?", MessageKind::YesNoStop);
    busy = false;
    return keepTrying ? TickResult::GoOn : TickResult::GaveUp;
  }

  const int64_t now = NowSeconds();
  if (checks.paused != 0) {
    SetStatus(RecorderStatus::Paused);
    pausedSeen = true;
    NotRecording();
  } else {
    if (pausedSeen) {
      pausedSeen = false;
      RestartClocks(now);
    }
    if (checks.slewActive != 0) {
      SetStatus(RecorderStatus::Slew);
      slewSeen = true;
      NotRecording();
    } else {
      if (slewSeen) {
        slewSeen = false;
        RestartClocks(now);
      }
      if (checks.simRate != kNormalSimRate) {
        SetStatus(RecorderStatus::TimeRate);
        rateSeen = true;
        NotRecording();
      } else {
        if (rateSeen) {
          rateSeen = false;
          RestartClocks(now);
        }
        Record(now);
      }
    }
  }

  PeriodicSave();
  LiveFeedStep();
  if (PointsEnabled()) PointCounterStep();
  busy = false;
  return TickResult::GoOn;
}

void FlightRecorder::TimerTick() {
  if (busy) return;
  switch (Tick()) {
    case TickResult::ConnectionCancelled:
      CloseFlight();
      return;
    case TickResult::GaveUp:
      SaveOrCancel();
      return;
    default:
      break;
  }
  const FlightDisplays displays = Displays();
  statusText = std::string(kStatusTexts[statusState]) + "\n";
  for (const auto& [label, value] :
       {std::pair{"\nALT: ", &displays.altitude}, {"\nHDG: ", &displays.heading}, {"\nTAS: ", &displays.trueAirspeed},
        {"\nTIMEREC: ", &displays.recordedTime}, {"\nGNDREM: ", &displays.groundTimeLeft},
        {"\nFUELREM: ", &displays.fuelRemaining}, {"\nOAT: ", &displays.outsideAirTemp}}) {
    statusText += label;
    statusText += *value;
  }
  view.ShowDisplays(displays, trayIconId, statusText.substr(0, kTrayTipLength));
}

FlightDisplays FlightRecorder::Displays() const {
  FlightDisplays displays;
  displays.altitude = std::to_string(tempFlight.altitude) + "ft";
  displays.heading = std::to_string(tempFlight.heading) + "\xB0";
  displays.trueAirspeed = std::to_string(tempFlight.trueAirspeed) + "kts";
  displays.recordedTime = std::to_string(WholeMinutes(tempFlight.recordedTime)) + " min";
  displays.groundTimeLeft = std::to_string(MaxGroundMinutes() - WholeMinutes(tempFlight.groundTime)) + " min";
  displays.fuelRemaining = std::to_string(tempFlight.fuelRemaining) + " lbs";
  displays.outsideAirTemp = std::to_string(tempFlight.outsideAirTemp) + " C";
  return displays;
}

void FlightRecorder::SetStatus(int state) {
  statusText = kStatusTexts[state];
  if (statusState == state) return;
  statusState = state;
  view.SetStatusLight(state == RecorderStatus::Recording ? RecorderArt::LightRecording : RecorderArt::LightNotRecording,
                      statusText);
}

void FlightRecorder::RestartClocks(int64_t now) { recordClock = groundClock = now; }

FlightPoint FlightRecorder::CurrentPoint() const {
  return FlightPoint{tempFlight.latitude, tempFlight.longitude, tempFlight.altitude, tempFlight.heading};
}

void FlightRecorder::Record(int64_t now) {
  KeepFuelBooks();

  const bool onGround = checks.onGround == 1;
  if (onGround && groundTimeExceeded) {
    SetStatus(RecorderStatus::GroundTimeExceeded);
    trayIconId = RecorderArt::TrayNotRecording;
  } else {
    if (statusState != RecorderStatus::Recording) groundClock = now;
    SetStatus(RecorderStatus::Recording);
    trayIconId = RecorderArt::TrayRecording;
    // The exceeded time on the ground is not recorded.
    if (!onGround && onGroundSeen && groundTimeExceeded) recordClock = now;
    tempFlight.recordedTime += now - recordClock;
    recordClock = now;
  }

  if (onGround) {
    if (tempFlight.flightPhase == FlightPhase::Airborne) {
      if (tempFlight.landingRate == 0) {
        tempFlight.landingRate = checks.touchdownVerticalSpeed * 60 * 3.28084 / 256;
        tempFlight.landingSpeed = checks.touchdownAirspeedRaw / 128;
      }
      if (collector.Active()) collector.Finish(CurrentPoint());
      view.SetEndFlightEnabled(true);
      tempFlight.flightPhase = FlightPhase::Landed;
      SaveFlownFlight();
    }
    if (!onGroundSeen) {
      onGroundSeen = true;
      groundClock = now;
    } else if (!groundTimeExceeded) {
      CheckGroundTime(now);
    }
    return;
  }

  onGroundSeen = false;
  tempFlight.flightPhase = FlightPhase::Airborne;
  view.SetEndFlightEnabled(false);
  if (!collector.Active()) {
    collector.Start(CurrentPoint());
    pointCounter = 0;
  }
  // A bounce or touch-and-go: the next ground contact is measured again.
  if (tempFlight.radioAltitude > kBounceRadioAltitude && tempFlight.landingRate != 0) {
    tempFlight.landingRate = 0;
    tempFlight.landingSpeed = 0;
  }
}

void FlightRecorder::KeepFuelBooks() {
  if (tempFlight.fuelMarker != tempFlight.startFuelMarker) {
    tempFlight.startFuelMarker = tempFlight.fuelMarker;
    CloseFuelSegment();
  } else if (tempFlight.currentFuel > tempFlight.fuelRemaining) {
    CloseFuelSegment();
  } else {
    tempFlight.fuelRemaining = tempFlight.currentFuel;
  }
}

// Books the fuel burnt in the open segment; the segment goes on from there.
void FlightRecorder::BookFuelUsed() {
  tempFlight.fuelUsed += tempFlight.segmentStartFuel - tempFlight.fuelRemaining;
  tempFlight.segmentStartFuel = tempFlight.fuelRemaining;
}

// Books the fuel burnt so far and starts a new segment at the fuel now on board.
void FlightRecorder::CloseFuelSegment() {
  BookFuelUsed();
  tempFlight.segmentStartFuel = tempFlight.fuelRemaining = tempFlight.currentFuel;
}

int32_t FlightRecorder::FuelUsedSoFar() const {
  return tempFlight.fuelUsed + tempFlight.segmentStartFuel - tempFlight.fuelRemaining;
}

void FlightRecorder::CheckGroundTime(int64_t now) {
  tempFlight.groundTime += now - groundClock;
  groundClock = now;
  if (WholeMinutes(tempFlight.groundTime) >= MaxGroundMinutes()) groundTimeExceeded = true;
}

void FlightRecorder::NotRecording() {
  trayIconId = RecorderArt::TrayNotRecording;
  if (liveFeedStanding) SendOfflineNotice();
}

void FlightRecorder::PeriodicSave() {
  if (++saveCounter < kSaveEveryTicks) return;
  SaveFlownFlight();
  saveCounter = 0;
}

// Only a flight that has been airborne is kept; recording goes on whether the
// store took it or not.
void FlightRecorder::SaveFlownFlight() {
  if (tempFlight.flightPhase == FlightPhase::NotAirborne) return;
  if (!SaveTempFlight()) Notify(view.Handle(), "There was an error saving the temp flight.", MessageKind::Information);
}

void FlightRecorder::LiveFeedStep() {
  // A period of 0 (or none) sends on every tick.
  if (++liveFeedCounter < ServerNumber("liveFeedUpdateTime")) return;
  if (onlineMode) {
    SendLiveReport();
  } else {
    tempFlight.lastFeedTime = 0;
  }
  liveFeedCounter = 0;
}

void FlightRecorder::PointCounterStep() {
  ++pointCounter;
  if (pointCounter >= kPointTestCount && collector.Active() && !pausedSeen && !slewSeen && !rateSeen) {
    if (sampleValid) collector.Test(CurrentPoint());
    pointCounter = 0;
  } else if (collector.Active()) {
    ++pointCounter;
  } else {
    pointCounter = 0;
  }
}

void FlightRecorder::ReplaceNonNumericFlightId() {
  if (LeadingDecimal(tempFlight.flightId) == 0) tempFlight.flightId = openFlightId;
}

bool FlightRecorder::SaveTempFlight() {
  ReplaceNonNumericFlightId();
  BookFuelUsed();
  tempFlight.points = collector.Points();
  tempFlight.savedTime = static_cast<int32_t>(NowSeconds());
  Database db(view.Handle());
  const bool written = db.WriteTempFlight(tempFlight);
  tempFlight.points.clear();
  return written && db.SetFlightStatus(tempFlight.flightId, StatusRequest::InProgress);
}

void FlightRecorder::SendLiveReport() {
  if (pausedSeen || slewSeen || rateSeen) return;
  LiveFeedExtras extras;
  int code = 0;
  if (!ReadLiveFeedExtras(link, extras, code)) return;
  const int64_t now = NowSeconds();
  tempFlight.lastFeedTime = static_cast<int32_t>(now);
  LiveFeedState state{pilotNumber, flightDetails, tempFlight, extras, FuelUsedSoFar(), now};
  server.SendLiveReport(MakeLiveFeedRecord(state), true);
  if (flightPlanPending) {
    server.UploadFlightPlan(pilotNumber, tempFlight.flightId, tempFlight.flightPlanFile);
    flightPlanPending = false;
  }
  liveFeedStanding = true;
}

void FlightRecorder::SendOfflineNotice() {
  server.SendLiveReport(MakeOfflineNotice(pilotNumber), false);
  liveFeedStanding = false;
}

void FlightRecorder::SetOnlineMode(bool online) {
  onlineMode = online;
  // Before the start there is no flight to report; the start sends the right one.
  if (!flightStarted) return;
  if (online) {
    SendLiveReport();
  } else {
    SendOfflineNotice();
  }
}

void FlightRecorder::AttachFlightPlan(const std::string& filePath) {
  tempFlight.flightPlanFile = filePath;
  view.SetFlightPlanItemText("Update Flightplan...");
  hasFlightPlan = flightPlanPending = true;
  ShowMessageBox(view.Handle(), "Flight plan saved.", kFlightPlanCaption, MessageKind::Information);
}

void FlightRecorder::CompleteValues() {
  const int64_t now = NowSeconds();
  // Only a recording tick leaves the clock current; paused, slewed,
  // accelerated or exceeded time is not the flight's.
  if (statusState == RecorderStatus::Recording) tempFlight.recordedTime += now - recordClock;
  recordClock = now;
  BookFuelUsed();
  tempFlight.lastLatitude = tempFlight.latitude;
  tempFlight.lastLongitude = tempFlight.longitude;
  tempFlight.flightMinutes = WholeMinutes(tempFlight.recordedTime);
  tempFlight.groundMinutesLeft = MaxGroundMinutes() - WholeMinutes(tempFlight.groundTime);
  tempFlight.savedTime = static_cast<int32_t>(now);
}

void FlightRecorder::EndFlight() {
  const WindowHandle owner = view.Handle();
  if (!Ask(owner, "Would you like to end and save this flight?")) return;
  view.StopRecordingTimer();
  busy = false;
  flightStarted = false;

  CompleteValues();
  FlightResultTexts texts;
  const int choice = MakeFlightResultTexts(owner, tempFlight, texts) ? view.ShowFlightResults(texts) : -1;
  tempFlight.points.clear();
  if (PointsEnabled()) tempFlight.points = collector.Points();
  ReplaceNonNumericFlightId();
  StoreReport(choice);
  view.CloseWindow();
}

void FlightRecorder::StoreReport(int choice) {
  const WindowHandle owner = view.Handle();
  const bool completed = choice == 1;
  if (!completed && choice != 2) {
    // Neither choice: keep the flight resumable rather than lose it.
    if (tempFlight.flightPhase != FlightPhase::NotAirborne) SaveTempFlight();
    return;
  }
  Database db(owner);
  if (!db.SetFlightStatus(tempFlight.flightId,
                          completed ? StatusRequest::Completed : StatusRequest::RefuelingStop)) {
    return;
  }
  const bool written = db.WriteFlightReport(tempFlight);
  if (written) db.RemoveTempFlight(tempFlight.flightId);
  if (!written) {
    Notify(owner, "There was an error saving the flight results.",
           completed ? MessageKind::Error : MessageKind::Information);
    return;
  }
  if (!completed) {
    Notify(owner, "Flight results saved.\r\nTaxi time has been reset.", MessageKind::Information);
    return;
  }
  if (!server.IsInternetConnected()) {
    Notify(owner, "Flight results saved.\r\nDon't forget to go to File->File Flight Reports to finish the PIREP process.",
           MessageKind::Information);
    return;
  }
  if (!Ask(owner, "Flight results saved.\nWould you like to PIREP this flight at this time?")) {
    Notify(owner, "Don't forget to go to File->File Flight Reports to finish the PIREP process.",
           MessageKind::Information);
    return;
  }
  if (server.FileFlightReport(owner, tempFlight.flightId)) {
    Notify(owner, "Flight report successfully PIREPed.", MessageKind::Information);
  } else {
    Notify(owner,
           "An error occurred finishing the PIREP process.\r\nYou need to go to File->File Flight Reports to finish the "
           "PIREP process.",
           MessageKind::Error);
  }
}

void FlightRecorder::SaveOrCancel() {
  const WindowHandle owner = view.Handle();
  if (flightStarted && tempFlight.flightPhase != FlightPhase::NotAirborne) {
    const int answer = ShowMessageBox(
        owner, "There is a flight in progress.\n\nWould you like to save the current progress to be continued later?",
        kProgramCaption, MessageKind::YesNoCancel);
    if (answer == MessageResult::Yes) {
      if (!SaveTempFlight()) {
        Notify(owner, "There was an error saving the flight data.", MessageKind::Error);
        return;
      }
      Notify(owner, "The current flight has been saved.", MessageKind::Information);
      CloseFlight();
      return;
    }
    if (answer != MessageResult::No) return;
  }
  if (Ask(owner, "Are you sure you want to cancel this flight?")) CloseFlight();
}

void FlightRecorder::CloseFlight() {
  const bool wasStarted = flightStarted;
  flightStarted = false;
  view.StopRecordingTimer();
  if (onlineMode && wasStarted) SendOfflineNotice();
  view.CloseWindow();
}

bool MakeFlightResultTexts(WindowHandle owner, const FlightRecord& record, FlightResultTexts& texts) {
  AvailableFlight flight;
  if (!Database(owner).ReadAvailableFlight(record.flightId, flight)) return false;
  texts = MakeResultTexts(flight, record);
  return true;
}

ResumeValuesTexts ReadLastRecordedValues(WindowHandle owner, const std::string& flightId, FlightRecord& record) {
  record = FlightRecord();
  Database db(owner);
  db.ReadTempFlight(flightId, record, false, false);
  ServerVariables variables;
  db.ReadServerVariables(variables);
  return MakeResumeValuesTexts(record, static_cast<int32_t>(LeadingDecimal(variables["maxGroundTime"])));
}

void ShowResumeNotice(WindowHandle owner) {
  Notify(owner, "Don't forget to goto Menu->Resume Flight to restart the recording process.", MessageKind::Information);
}

bool AskToRemindAgain(WindowHandle owner) {
  return Ask(owner,
             "Just a reminder to select Menu->Resume Flight to restart the recording.\n\nWould you like to be reminded "
             "again?");
}

bool PlaceAircraftAt(WindowHandle owner, SimLink& link, const FlightRecord& flight) {
  int code = 0;
  if (!PlaceAircraft(link, flight, code)) {
    Notify(owner, "There was an error placing the aircraft.", MessageKind::Error);
    return false;
  }
  Notify(owner,
         "The aircraft has been positioned and the sim paused.\n(Airspeed will come online when the sim is "
         "un-paused.)\n\nNote: fuel has not been added.",
         MessageKind::Information);
  return true;
}

}  // namespace kestrix
