#include <gtest/gtest.h>

#include "recorder_fixture.h"

namespace kestrix::test {
namespace {


TEST_F(RecorderTest, WholeFlightIsStoredAsACompletedReport) {
  Start();
  const int32_t startFuel = Recorder().TempFlight().currentFuel;
  int ticks = 0;
  double touchdownAirspeed = 0;
  while (sim.Stage() != FlightStage::Stopped && ticks < 4000) {
    const bool airborne = !sim.Aircraft().onGround;
    ASSERT_EQ(Tick(), TickResult::GoOn);
    ++ticks;
    if (airborne && sim.Aircraft().onGround) touchdownAirspeed = sim.Aircraft().trueAirspeed;
  }
  ASSERT_EQ(sim.Stage(), FlightStage::Stopped);
  EXPECT_TRUE(view.endEnabled);
  const int32_t endFuel = SimFuel();

  boxes.Answer(MessageResult::Yes);
  Recorder().EndFlight();

  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 1u);
  const FlightRecord& report = reports[0];
  EXPECT_EQ(report.flightId, kFlightId);
  EXPECT_EQ(report.flightMinutes, ticks / 60);
  EXPECT_EQ(report.fuelUsed, startFuel - endFuel);
  EXPECT_GT(report.fuelUsed, 0);
  EXPECT_NEAR(report.landingRate, -180, 1.0);
  EXPECT_EQ(report.landingSpeed, static_cast<int32_t>(touchdownAirspeed));
  ASSERT_GE(report.points.size(), 4u) << "take-off, climb, level-off and touchdown at least";
  EXPECT_NEAR(report.points.front().latitude, 47.45, 0.05);
  EXPECT_LT(report.points.back().altitude, 500);
  EXPECT_EQ(report.groundMinutesLeft, 20 - WholeMinutes(Recorder().TempFlight().groundTime));
  EXPECT_EQ(report.savedTime, static_cast<int32_t>(Now()));

  ASSERT_EQ(view.results.size(), 1u);
  EXPECT_EQ(view.results[0].duration, DurationText(ticks / 60));
  EXPECT_EQ(view.results[0].flightNumber, "Flight number: HAL123");
  EXPECT_TRUE(boxes.Saw("Flight results saved.\r\nDon't forget to go to File->File Flight Reports to finish the PIREP process."));
  EXPECT_TRUE(StoredStatus() & FlightStatus::StatusCompleted);
  EXPECT_TRUE(TempFlightIds().empty());
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(view.timerRunning);
}

// Paused, slewing and accelerated ticks record nothing, on the ground or in the
// air, and the clocks start afresh when the simulator is back to normal.
TEST_F(RecorderTest, NotRecordingStatesAddNoTime) {
  struct Case {
    ScenarioEventKind on, off;
    double value;
    int status;
    const char* text;
  } cases[] = {
      {ScenarioEventKind::Pause, ScenarioEventKind::Unpause, 0, RecorderStatus::Paused, "Flight Simulator paused."},
      {ScenarioEventKind::SlewOn, ScenarioEventKind::SlewOff, 0, RecorderStatus::Slew, "Slew mode active."},
      {ScenarioEventKind::Rate, ScenarioEventKind::Rate, 2, RecorderStatus::TimeRate, "Time rate greater than 1x."},
  };
  Recorder().InitOnlineMode(true);
  Start();
  Ticks(10);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const int64_t recorded = Recorder().TempFlight().recordedTime;
    const int64_t ground = Recorder().TempFlight().groundTime;
    Recorder().SetOnlineMode(true);
    const size_t feeds = server.feeds.size();
    sim.ApplyEvent({0, c.on, c.value});
    Ticks(600);
    EXPECT_EQ(Recorder().StatusState(), c.status);
    EXPECT_EQ(Recorder().StatusText(), c.text);
    EXPECT_EQ(Recorder().TrayIconId(), RecorderArt::TrayNotRecording);
    EXPECT_EQ(view.lights.back(), std::make_pair(RecorderArt::LightNotRecording, std::string(c.text)));
    EXPECT_EQ(Recorder().TempFlight().recordedTime, recorded);
    EXPECT_EQ(Recorder().TempFlight().groundTime, ground);
    ASSERT_EQ(server.feeds.size(), feeds + 1) << "one offline notice, then nothing";
    EXPECT_FALSE(server.feeds.back().full);

    sim.ApplyEvent({0, c.off, 1});
    Ticks(1);
    EXPECT_EQ(Recorder().StatusState(), RecorderStatus::Recording);
    EXPECT_EQ(Recorder().TempFlight().recordedTime, recorded) << "fresh clocks at the first normal tick";
    Ticks(5);
    EXPECT_EQ(Recorder().TempFlight().recordedTime, recorded + 5);
  }
  EXPECT_EQ(view.lights.back().first, RecorderArt::LightRecording);
}

TEST_F(RecorderTest, EndingWhilePausedAddsNoTimeForThePause) {
  Start();
  ASSERT_TRUE(TickUntil(FlightStage::Stopped));
  const int64_t recorded = Recorder().TempFlight().recordedTime;
  sim.ApplyEvent({0, ScenarioEventKind::Pause, 0});
  Ticks(1);
  clock->Advance(3600 * 1000);
  boxes.Answer(MessageResult::Yes);
  Recorder().EndFlight();
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].flightMinutes, WholeMinutes(recorded));
}

TEST_F(RecorderTest, GroundTimeExceededStopsRecordingUntilTakeOff) {
  Vars()["maxGroundTime"] = "1";
  Start();
  Ticks(60);
  EXPECT_EQ(Recorder().StatusState(), RecorderStatus::Recording);
  EXPECT_FALSE(Recorder().GroundTimeExceeded());
  Ticks(1);
  EXPECT_TRUE(Recorder().GroundTimeExceeded()) << "a whole minute on the ground";
  const int64_t recorded = Recorder().TempFlight().recordedTime;
  const int64_t ground = Recorder().TempFlight().groundTime;
  EXPECT_EQ(ground, 60);
  Ticks(30);
  EXPECT_EQ(Recorder().StatusState(), RecorderStatus::GroundTimeExceeded);
  EXPECT_EQ(Recorder().StatusText(), "Ground time exceeded.");
  EXPECT_EQ(Recorder().TempFlight().recordedTime, recorded);
  EXPECT_EQ(Recorder().TempFlight().groundTime, ground) << "taxiing on stops counting";

  ASSERT_TRUE(TickUntil(FlightStage::Climb));
  EXPECT_EQ(Recorder().StatusState(), RecorderStatus::Recording);
  EXPECT_EQ(Recorder().TempFlight().recordedTime, recorded) << "the exceeded period is not recorded";
  Ticks(10);
  EXPECT_EQ(Recorder().TempFlight().recordedTime, recorded + 10);

  sim.ApplyEvent({0, ScenarioEventKind::Land, 0});
  ASSERT_TRUE(TickUntil(FlightStage::Rollout));
  EXPECT_EQ(Recorder().StatusState(), RecorderStatus::GroundTimeExceeded) << "at once on the next ground contact";
}

TEST_F(RecorderTest, MissingGroundLimitIsReachedAtTheFirstCheck) {
  Vars().erase("maxGroundTime");
  Start();
  Ticks(1);
  EXPECT_TRUE(Recorder().GroundTimeExceeded());
  Ticks(1);
  EXPECT_EQ(Recorder().StatusText(), "Ground time exceeded.");
}

TEST_F(RecorderTest, BounceAboveFiftyFeetMeasuresTheNextTouchdown) {
  sim.ApplyEvent({0, ScenarioEventKind::Bounce, 0});
  Start();
  ASSERT_TRUE(TickUntil(FlightStage::Rollout));
  Ticks(1);
  EXPECT_NEAR(Recorder().TempFlight().landingRate, -180, 1.0);
  ASSERT_TRUE(TickUntil([&] { return Recorder().TempFlight().radioAltitude > 50; }, 30));
  EXPECT_EQ(Recorder().TempFlight().landingRate, 0);
  EXPECT_FALSE(view.endEnabled);
  ASSERT_TRUE(TickUntil(FlightStage::Rollout));
  const int32_t secondSpeed = static_cast<int32_t>(sim.Aircraft().trueAirspeed);
  ASSERT_TRUE(TickUntil(FlightStage::Stopped));
  EXPECT_EQ(Recorder().TempFlight().landingSpeed, secondSpeed);
  EXPECT_NEAR(Recorder().TempFlight().landingRate, -180, 1.0);
  EXPECT_TRUE(view.endEnabled);
}

// Fuel added, or a new fuel marker, closes the segment: what was burnt stays booked.
TEST_F(RecorderTest, FuelSegmentsKeepTheFuelUsed) {
  const ScenarioEvent events[] = {{0, ScenarioEventKind::Refuel, 500}, {0, ScenarioEventKind::FuelMarker, 7}};
  for (const auto& event : events) {
    SCOPED_TRACE(static_cast<int>(event.kind));
    sim.SetScenario(Scenario{});
    recorder = std::make_unique<FlightRecorder>(view, link, server);
    ASSERT_TRUE(recorder->SetFlightId(kFlightId));
    Start();
    ASSERT_TRUE(TickUntil(FlightStage::Climb));
    const int32_t startFuel = Recorder().TempFlight().segmentStartFuel;
    const int32_t before = Recorder().TempFlight().currentFuel;
    sim.ApplyEvent(event);
    Ticks(1);
    const int32_t after = Recorder().TempFlight().currentFuel;
    Ticks(120);
    const int32_t end = Recorder().TempFlight().currentFuel;
    ASSERT_TRUE(Recorder().SaveTempFlight());
    EXPECT_EQ(Recorder().TempFlight().fuelUsed, (startFuel - before) + (after - end));
    EXPECT_GT(Recorder().TempFlight().fuelUsed, 0);
  }
}

TEST_F(RecorderTest, SavesEveryThreeHundredTicksOnceAirborne) {
  Scenario longHold;
  longHold.settings.holdSeconds = 400;
  sim.SetScenario(longHold);
  Start();
  Ticks(300);
  EXPECT_EQ(Recorder().TempFlight().flightPhase, FlightPhase::NotAirborne);
  EXPECT_TRUE(TempFlightIds().empty()) << "nothing saved before the first take-off";
  Ticks(299);
  ASSERT_EQ(Recorder().TempFlight().flightPhase, FlightPhase::Airborne);
  EXPECT_TRUE(TempFlightIds().empty());
  Ticks(1);
  ASSERT_EQ(TempFlightIds(), std::vector<std::string>{kFlightId});
  FlightRecord stored;
  Database().ReadTempFlight(kFlightId, stored, true, false);
  EXPECT_EQ(stored.recordedTime, 600);
  EXPECT_EQ(Recorder().TempFlight().savedTime, static_cast<int32_t>(Now()));
  EXPECT_EQ(stored.points, Recorder().Collector().Points());
  EXPECT_TRUE(StoredStatus() & FlightStatus::StatusInProgress);
  EXPECT_TRUE(boxes.Texts().empty());
}

FlightRecord StoredTempFlight() {
  FlightRecord stored;
  Database().ReadTempFlight(kFlightId, stored, false, false);
  return stored;
}

TEST_F(RecorderTest, SavesWhereTheFlightCouldBeLostOnceAirborne) {
  // Short enough that no five-minute save falls inside it.
  Scenario shortHop;
  shortHop.settings.holdSeconds = 5;
  shortHop.settings.taxiOutSeconds = 10;
  shortHop.settings.cruiseAltitude = shortHop.settings.elevation + 2000;
  shortHop.settings.cruiseSeconds = 30;
  sim.SetScenario(shortHop);
  // The store holds the flight as the recorder has it now.
  const auto savedNow = [&] {
    const FlightRecord stored = StoredTempFlight();
    const FlightRecord& recorded = Recorder().TempFlight();
    return stored.flightId == kFlightId && stored.recordedTime == recorded.recordedTime &&
           stored.flightPhase == recorded.flightPhase && stored.landingRate == recorded.landingRate;
  };
  Start();
  Recorder().WentToTray();
  ASSERT_TRUE(TickUntil(FlightStage::Cruise));
  EXPECT_TRUE(TempFlightIds().empty()) << "nothing kept before the first take-off, nor yet in flight";

  Recorder().WentToTray();
  EXPECT_TRUE(savedNow()) << "into the tray";

  ASSERT_TRUE(TickUntil([&] { return Recorder().TempFlight().flightPhase == FlightPhase::Landed; }, 600));
  EXPECT_TRUE(savedNow()) << "at touchdown";
  EXPECT_NE(StoredTempFlight().landingRate, 0);

  Ticks(3);
  sim.Vanish();
  boxes.Answer(MessageResult::Cancel);
  ASSERT_EQ(Tick(), TickResult::ConnectionCancelled);
  EXPECT_TRUE(savedNow()) << "before the pilot was asked about the lost link";

  ASSERT_TRUE(sim.Return());
  clock->Advance(60 * 1000);
  FakeView window;
  FlightRecorder resumed(window, link, server);
  ASSERT_TRUE(resumed.SetFlightId(kFlightId));
  resumed.SetResumeMode(true);
  resumed.StartFlightCommand();
  ASSERT_TRUE(resumed.FlightStarted());
  EXPECT_EQ(StoredTempFlight().startTime, Now()) << "at the resumed start";
  EXPECT_TRUE(StoredStatus() & FlightStatus::StatusInProgress);
  EXPECT_FALSE(boxes.Saw("There was an error saving the temp flight."));
}

TEST_F(RecorderTest, LiveFeedCarriesTheFlight) {
  Recorder().InitOnlineMode(true);
  Start();
  ASSERT_EQ(server.feeds.size(), 1u) << "a live report at the start";
  sim.EditAircraft([](AircraftState& state) {
    state.windDirection = 270;
    state.windSpeed = 15;
  });
  Ticks(180);
  ASSERT_EQ(sim.Stage(), FlightStage::Climb);
  EXPECT_EQ(server.FullReports(), 4u);
  const LiveFeedRecord& record = server.feeds.back().record;
  const FlightRecord& flight = Recorder().TempFlight();
  EXPECT_EQ(record.pilotNumber, 1234);
  EXPECT_EQ(record.flightKey, "SCHED///12345");
  EXPECT_EQ(record.altitude, flight.altitude);
  EXPECT_EQ(record.heading, flight.heading);
  EXPECT_EQ(record.departure, "KSEA");
  EXPECT_EQ(record.arrival, "KPDX");
  EXPECT_EQ(record.latitude, flight.lastLatitude);
  EXPECT_EQ(record.aircraft, "Kestrix Trainer Twin");
  EXPECT_EQ(record.minutesFlown, WholeMinutes(flight.recordedTime));
  EXPECT_EQ(record.reportTime, static_cast<int32_t>(Now()));
  EXPECT_EQ(record.flightNumber, "123");
  EXPECT_EQ(record.airline, "HAL");
  EXPECT_EQ(record.fuelRemaining, flight.fuelRemaining);
  EXPECT_EQ(record.fuelUsed, flight.segmentStartFuel - flight.fuelRemaining);
  EXPECT_GT(record.fuelCapacity, record.fuelRemaining);
  EXPECT_EQ(record.wind, "255\xB0 @ 15kts") << "magnetic above the surface layer";
  EXPECT_EQ(flight.lastFeedTime, static_cast<int32_t>(Now()));

  Recorder().SetOnlineMode(false);
  EXPECT_FALSE(server.feeds.back().full);
  EXPECT_EQ(server.feeds.back().record.pilotNumber, 1234);
  const size_t all = server.feeds.size();
  Ticks(120);
  EXPECT_EQ(server.feeds.size(), all) << "nothing is sent while off line";
  EXPECT_EQ(Recorder().TempFlight().lastFeedTime, 0);
}

TEST_F(RecorderTest, EmptyFeedPeriodSendsOnEveryTick) {
  Vars()["liveFeedUpdateTime"] = "";
  Recorder().InitOnlineMode(true);
  Start();
  Ticks(5);
  EXPECT_EQ(server.FullReports(), 6u);
}

TEST_F(RecorderTest, FlightPlanGoesUpWithTheNextLiveReport) {
  Vars()["liveFeedUpdateTime"] = "10";
  Recorder().InitOnlineMode(true);
  Start();
  Recorder().AttachFlightPlan("C:\\plans\\KSEA-KPDX.pln");
  EXPECT_TRUE(boxes.Saw("Flight plan saved."));
  EXPECT_EQ(view.flightPlanItem, "Update Flightplan...");
  EXPECT_TRUE(server.uploads.empty());
  Ticks(20);
  EXPECT_EQ(server.uploads, std::vector<std::string>{"1234|12345|C:\\plans\\KSEA-KPDX.pln"}) << "once";
  EXPECT_FALSE(Recorder().FlightPlanPending());
}

TEST_F(RecorderTest, PointsOffLeavesTheReportWithoutPoints) {
  Vars()["flightPointsEnabledTest"] = "False";
  Start();
  ASSERT_TRUE(TickUntil(FlightStage::Cruise));
  ASSERT_TRUE(TickUntil(FlightStage::Stopped));
  EXPECT_EQ(Recorder().Collector().Points().size(), 2u) << "only take-off and touchdown, no tests";
  boxes.Answer(MessageResult::Yes);
  Recorder().EndFlight();
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_TRUE(Reports()[0].points.empty());
}

TEST_F(RecorderTest, DisplaysAndTrayTipFollowEachTick) {
  Start();
  Ticks(5);
  Recorder().TimerTick();
  const FlightRecord& flight = Recorder().TempFlight();
  EXPECT_EQ(view.displays.altitude, std::to_string(flight.altitude) + "ft");
  EXPECT_EQ(view.displays.heading, std::to_string(flight.heading) + "\xB0");
  EXPECT_EQ(view.displays.recordedTime, "0 min");
  EXPECT_EQ(view.displays.groundTimeLeft, "20 min");
  EXPECT_EQ(view.displays.outsideAirTemp, std::to_string(flight.outsideAirTemp) + " C");
  EXPECT_EQ(view.trayIcon, RecorderArt::TrayRecording);
  EXPECT_EQ(view.trayTip.rfind("Recording.\n\nALT: ", 0), 0u) << view.trayTip;
  EXPECT_LE(view.trayTip.size(), 127u);
  const std::string tip = view.trayTip;
  Recorder().TimerTick();
  EXPECT_EQ(view.trayTip.size(), tip.size()) << "the tip is rebuilt, not extended";
}

}  // namespace
}  // namespace kestrix::test
