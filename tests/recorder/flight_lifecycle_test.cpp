#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "recorder_fixture.h"

namespace kestrix::test {
namespace {

constexpr const char* kConnectionLost = "Connection to Flight Simulator lost.";

TEST_F(RecorderTest, FlightIdMustBeANumberOrAGuid) {
  const std::pair<const char*, bool> cases[] = {
      {"12345", true}, {"0", false}, {"abc", false}, {"", false}, {"6F9619FF-8B86-D011-B42D-00C04FC964FF", true}};
  for (const auto& [id, accepted] : cases) {
    boxes.Clear();
    FlightRecorder window(view, link, server);
    EXPECT_EQ(window.SetFlightId(id), accepted) << id;
    EXPECT_EQ(window.OpenFlightId(), accepted ? id : "");
    EXPECT_EQ(boxes.Saw("The FlightId is invalid."), !accepted);
  }
}

TEST_F(RecorderTest, LostSimulatorComesBackSilently) {
  Start();
  Ticks(5);
  sim.Vanish();
  // Back in time for the first reconnection.
  clock->onSleep = [&](int64_t milliseconds) {
    if (milliseconds == 500 && !sim.Running()) sim.Return();
  };
  EXPECT_EQ(Tick(), TickResult::GoOn);
  clock->onSleep = nullptr;
  EXPECT_TRUE(boxes.Texts().empty()) << "reconnected without asking";
  EXPECT_EQ(Recorder().StatusState(), RecorderStatus::Recording);
}

TEST_F(RecorderTest, LostSimulatorAsksRetryOrCancel) {
  struct Case {
    int answer;
    int result;
  } cases[] = {{MessageResult::Retry, TickResult::GoOn}, {MessageResult::Cancel, TickResult::ConnectionCancelled}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    recorder = std::make_unique<FlightRecorder>(view, link, server);
    ASSERT_TRUE(recorder->SetFlightId(kFlightId));
    boxes.Clear();
    Start();
    Ticks(5);
    sim.Vanish();
    // The silent attempts fail; the simulator is back for the pilot's retry.
    clock->onSleep = [&](int64_t milliseconds) {
      if (milliseconds == 500 && !boxes.Texts().empty() && !sim.Running()) sim.Return();
    };
    boxes.Answer(c.answer);
    EXPECT_EQ(Tick(), c.result);
    clock->onSleep = nullptr;
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kConnectionLost});
    EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::RetryCancel);
    if (!sim.Running()) {
      ASSERT_TRUE(sim.Return());
    }
    if (!link.IsOpen()) {
      int code = 0;
      ASSERT_TRUE(link.Open(code));
    }
  }
}

TEST_F(RecorderTest, CancelledConnectionClosesTheWindow) {
  Recorder().InitOnlineMode(true);
  Start();
  Ticks(2);
  sim.Vanish();
  boxes.Answer(MessageResult::Cancel);
  Recorder().TimerTick();
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(view.timerRunning);
  EXPECT_FALSE(server.feeds.back().full) << "the offline notice goes out";
}

// The simulator rejects every sample block but lets the link be reopened
// between them, as a module with bad data does.
TEST_F(RecorderTest, RejectedDataAsksWhetherToKeepTrying) {
  Start();
  Ticks(2);
  int waits = 0;
  clock->onSleep = [&](int64_t milliseconds) {
    if (milliseconds == 500) sim.SetFault(++waits % 2 ? SimulatorFault::None : SimulatorFault::RefuseBlocks);
  };
  const struct {
    int answer;
    int result;
  } cases[] = {{MessageResult::Yes, TickResult::GoOn}, {MessageResult::No, TickResult::GaveUp}};
  for (const auto& c : cases) {
    boxes.Clear();
    waits = 0;
    sim.SetFault(SimulatorFault::RefuseBlocks);
    boxes.Answer(c.answer);
    EXPECT_EQ(Tick(), c.result);
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{"Having a problem retrieving data from FSUIPC.\n\nShould I keep trying?"});
    EXPECT_EQ(waits, 9) << "four reopenings of two waits each, and a last wait";
  }
  clock->onSleep = nullptr;
}

TEST_F(RecorderTest, StartFailsWhenTheFirstSampleCannotBeTaken) {
  StoreVariables();
  sim.Vanish();
  boxes.Answer(MessageResult::Cancel);
  EXPECT_EQ(Recorder().StartFlight(), -1);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                               kConnectionLost,
                               "There was an error processing the initial FSUIPC data.\r\nPlease restart the flight."}));
}

// How each choice of the result dialog ends the flight.
TEST_F(RecorderTest, EndFlightChoices) {
  struct Case {
    const char* name;
    int choice;
    bool connected;
    std::vector<int> answers;  // after "end and save?"
    bool fileResult;
    int32_t status;
    std::vector<std::string> messages;
    size_t filed;
  } cases[] = {
      {"complete, filed now", 1, true, {MessageResult::Yes}, true, FlightStatus::StatusCompleted,
       {"Flight results saved.\nWould you like to PIREP this flight at this time?", "Flight report successfully PIREPed."}, 1},
      {"complete, filing failed", 1, true, {MessageResult::Yes}, false, FlightStatus::StatusCompleted,
       {"Flight results saved.\nWould you like to PIREP this flight at this time?",
        "An error occurred finishing the PIREP process.\r\nYou need to go to File->File Flight Reports to finish the PIREP process."},
       1},
      {"complete, filed later", 1, true, {MessageResult::No}, true, FlightStatus::StatusCompleted,
       {"Flight results saved.\nWould you like to PIREP this flight at this time?",
        "Don't forget to go to File->File Flight Reports to finish the PIREP process."},
       0},
      {"refuelling stop", 2, true, {}, true, FlightStatus::StatusRefuelingStop,
       {"Flight results saved.\r\nTaxi time has been reset."}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Database().WriteFlightReports({});
    StoreFlight();
    sim.SetScenario(Scenario{});
    recorder = std::make_unique<FlightRecorder>(view, link, server);
    ASSERT_TRUE(recorder->SetFlightId(kFlightId));
    view.closed = false;
    Start();
    ASSERT_TRUE(TickUntil(FlightStage::Climb));
    ASSERT_TRUE(Recorder().SaveTempFlight());
    view.resultChoice = c.choice;
    server.connected = c.connected;
    server.fileResult = c.fileResult;
    server.filed.clear();
    boxes.Clear();
    boxes.Answer(MessageResult::Yes);
    for (int answer : c.answers) boxes.Answer(answer);
    Recorder().EndFlight();

    auto texts = boxes.Texts();
    ASSERT_FALSE(texts.empty());
    texts.erase(texts.begin());
    EXPECT_EQ(texts, c.messages);
    EXPECT_EQ(server.filed.size(), c.filed);
    EXPECT_EQ(Reports().size(), 1u);
    EXPECT_TRUE(StoredStatus() & c.status);
    EXPECT_TRUE(TempFlightIds().empty());
    EXPECT_TRUE(view.closed);
  }
}

TEST_F(RecorderTest, DeclinedEndKeepsRecording) {
  Start();
  Ticks(3);
  boxes.Answer(MessageResult::No);
  Recorder().EndFlight();
  EXPECT_TRUE(Recorder().FlightStarted());
  EXPECT_TRUE(view.timerRunning);
  EXPECT_FALSE(view.closed);
}

TEST_F(RecorderTest, ClosedResultDialogKeepsTheFlightResumable) {
  Start();
  ASSERT_TRUE(TickUntil(FlightStage::Climb));
  Ticks(120);
  view.resultChoice = -1;
  boxes.Answer(MessageResult::Yes);
  Recorder().EndFlight();
  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(TempFlightIds(), std::vector<std::string>{kFlightId});
  EXPECT_EQ(boxes.Texts().size(), 1u) << "no message after the dialog";
  EXPECT_TRUE(view.closed);
}

TEST_F(RecorderTest, SaveOrCancelAnswers) {
  struct Case {
    const char* name;
    bool airborne;
    std::vector<int> answers;
    bool closed;
    bool saved;
  } cases[] = {
      {"on the ground, cancel", false, {MessageResult::Yes}, true, false},
      {"on the ground, stay", false, {MessageResult::No}, false, false},
      {"airborne, save", true, {MessageResult::Yes}, true, true},
      {"airborne, cancel the flight", true, {MessageResult::No, MessageResult::Yes}, true, false},
      {"airborne, no and no", true, {MessageResult::No, MessageResult::No}, false, false},
      {"airborne, cancel the question", true, {MessageResult::Cancel}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Database().RemoveTempFlight(kFlightId);
    sim.SetScenario(Scenario{});
    recorder = std::make_unique<FlightRecorder>(view, link, server);
    ASSERT_TRUE(recorder->SetFlightId(kFlightId));
    recorder->InitOnlineMode(true);
    view.closed = false;
    Start();
    if (c.airborne) {
      ASSERT_TRUE(TickUntil(FlightStage::Climb));
    }
    boxes.Clear();
    for (int answer : c.answers) boxes.Answer(answer);
    const size_t feeds = server.feeds.size();
    Recorder().SaveOrCancel();
    EXPECT_EQ(boxes.UnusedAnswers(), 0u);
    EXPECT_EQ(view.closed, c.closed);
    EXPECT_EQ(Recorder().FlightStarted(), !c.closed);
    EXPECT_EQ(TempFlightIds().size(), c.saved ? 1u : 0u);
    EXPECT_EQ(boxes.Saw("The current flight has been saved."), c.saved);
    EXPECT_EQ(server.feeds.size(), feeds + (c.closed ? 1 : 0)) << "the offline notice on closing";
  }
}

TEST_F(RecorderTest, ResumedFlightCarriesItsTotals) {
  FlightRecord earlierLeg;
  earlierLeg.flightId = kFlightId;
  earlierLeg.flightMinutes = 42;
  ASSERT_TRUE(Database().WriteFlightReport(earlierLeg));

  Recorder().InitOnlineMode(true);
  Start();
  EXPECT_EQ(Recorder().TempFlight().priorMinutes, 42);
  ASSERT_TRUE(TickUntil(FlightStage::Cruise));
  Ticks(30);
  boxes.Answer(MessageResult::Yes);
  Recorder().SaveOrCancel();
  ASSERT_TRUE(view.closed);
  const FlightRecord saved = Recorder().TempFlight();
  const std::vector<FlightPoint> points = Recorder().Collector().Points();
  ASSERT_GE(points.size(), 2u);

  FlightRecord shown;
  const ResumeValuesTexts texts = ReadLastRecordedValues(view.Handle(), kFlightId, shown);
  EXPECT_EQ(shown.recordedTime, saved.recordedTime);
  EXPECT_EQ(texts.flightTime, "Flight Time: " + std::to_string(WholeMinutes(saved.recordedTime)) + " min");
  EXPECT_EQ(texts.groundRemaining, "Ground Remaining: " + std::to_string(20 - WholeMinutes(saved.groundTime)) + " min");

  clock->Advance(3600 * 1000);
  FakeView window;
  FlightRecorder resumed(window, link, server);
  ASSERT_TRUE(resumed.SetFlightId(kFlightId));
  resumed.SetResumeMode(true);
  resumed.InitOnlineMode(true);
  ASSERT_EQ(resumed.StartFlight(), 0);
  EXPECT_TRUE(window.reminderStopped);
  const FlightRecord& flight = resumed.TempFlight();
  EXPECT_EQ(flight.recordedTime, saved.recordedTime);
  EXPECT_EQ(flight.groundTime, saved.groundTime);
  EXPECT_EQ(flight.fuelUsed, saved.fuelUsed);
  EXPECT_EQ(flight.flightPhase, FlightPhase::Airborne);
  EXPECT_EQ(flight.priorMinutes, 42);
  EXPECT_EQ(flight.startTime, Now());
  EXPECT_EQ(flight.segmentStartFuel, flight.currentFuel);
  EXPECT_EQ(resumed.Collector().Points(), points);
  EXPECT_EQ(server.feeds.back().record.minutesFlown, WholeMinutes(saved.recordedTime) + 42);

  sim.Step(1);
  clock->Advance(1000);
  ASSERT_EQ(resumed.Tick(), TickResult::GoOn);
  EXPECT_EQ(resumed.TempFlight().recordedTime, saved.recordedTime + 1) << "the hour away is not recorded";
}

TEST_F(RecorderTest, ResumeWithoutStoredFlightFails) {
  StoreVariables();
  Recorder().SetResumeMode(true);
  Recorder().StartFlightCommand();
  EXPECT_TRUE(boxes.Saw("There are no temp flights to resume."));
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(Recorder().FlightStarted());
}

TEST_F(RecorderTest, RefuellingStopStartsTheNextLegWithItsMinutes) {
  Start();
  ASSERT_TRUE(TickUntil(FlightStage::Stopped));
  view.resultChoice = 2;
  boxes.Answer(MessageResult::Yes);
  Recorder().EndFlight();
  ASSERT_EQ(Reports().size(), 1u);
  const int32_t legMinutes = Reports()[0].flightMinutes;
  ASSERT_GT(legMinutes, 0);

  FakeView window;
  FlightRecorder nextLeg(window, link, server);
  ASSERT_TRUE(nextLeg.SetFlightId(kFlightId));
  ASSERT_EQ(nextLeg.StartFlight(), 0);
  EXPECT_EQ(nextLeg.TempFlight().priorMinutes, legMinutes);
  EXPECT_EQ(nextLeg.TempFlight().groundTime, 0);
  EXPECT_EQ(nextLeg.TempFlight().recordedTime, 0);
}

TEST_F(RecorderTest, PlacingTheAircraftWritesTheLastPosition) {
  FlightRecord last;
  last.lastLatitude = 47.5;
  last.lastLongitude = -122.25;
  last.altitude = 9000;
  last.heading = 90;
  last.trueAirspeed = 250;
  sim.ClearWrites();
  ASSERT_TRUE(PlaceAircraftAt(view.Handle(), link, last));
  EXPECT_TRUE(boxes.Saw("The aircraft has been positioned and the sim paused.\n(Airspeed will come online when the sim "
                        "is un-paused.)\n\nNote: fuel has not been added."));
  const auto writes = sim.Writes();
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.front().offset, SimOffset::PauseControl);
  const auto written = [&](uint32_t offset) {
    for (const auto& write : writes) {
      if (write.offset == offset) return write.bytes;
    }
    ADD_FAILURE() << "nothing written at " << offset;
    return std::vector<unsigned char>{};
  };
  const auto asInt64 = [](const std::vector<unsigned char>& bytes) {
    int64_t value = 0;
    std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof value));
    return static_cast<double>(value);
  };
  // Raw units are tiny: a few of them either way is rounding.
  EXPECT_NEAR(asInt64(written(SimOffset::Latitude)), 47.5 * 10001750.0 * 65536.0 * 65536.0 / 90, 4);
  EXPECT_NEAR(asInt64(written(SimOffset::Longitude)), -122.25 * 18446744073709551616.0 / 360, 4096);
  EXPECT_NEAR(asInt64(written(SimOffset::Altitude)), 9000 / (3.28084 / 4294967296.0), 4);
  double feetPerSecond = 0;
  std::memcpy(&feetPerSecond, written(SimOffset::AirspeedFeetPerSecond).data(), sizeof feetPerSecond);
  EXPECT_DOUBLE_EQ(feetPerSecond, 250 * 1.68780986);
  const AircraftState aircraft = sim.Aircraft();
  EXPECT_TRUE(aircraft.paused);
  EXPECT_NEAR(aircraft.latitude, 47.5, 1e-6);
  EXPECT_NEAR(aircraft.trueHeading, 105, 1.0) << "magnetic 90 with 15 degrees east";

  StoreVariables();
  Start();
  Ticks(1);
  EXPECT_EQ(Recorder().StatusText(), "Flight Simulator paused.");
}

TEST_F(RecorderTest, PlacingWrapsAnyStoredHeading) {
  // Magnetic heading as stored, true heading expected with 15 degrees east.
  const std::pair<int32_t, double> cases[] = {
      {360, 15}, {-90, 285}, {INT32_MAX, 142}, {INT32_MAX - 5, 137}, {INT32_MIN, 247}};
  for (const auto& [stored, expected] : cases) {
    FlightRecord last;
    last.heading = stored;
    ASSERT_TRUE(PlaceAircraftAt(view.Handle(), link, last)) << stored;
    EXPECT_NEAR(sim.Aircraft().trueHeading, expected, 1.0) << stored;
  }
}

TEST_F(RecorderTest, PlacingFailsWithoutTheSimulator) {
  sim.Vanish();
  EXPECT_FALSE(PlaceAircraftAt(view.Handle(), link, FlightRecord{}));
  EXPECT_TRUE(boxes.Saw("There was an error placing the aircraft."));
}

}  // namespace
}  // namespace kestrix::test
