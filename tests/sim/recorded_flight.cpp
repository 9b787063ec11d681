#include "recorded_flight.h"

#include <gtest/gtest.h>

#include "recorder/flight_recorder.h"
#include "store/database.h"
#include "support/fake_clock.h"
#include "support/quiet_recorder_peers.h"
#include "support/scripted_message_box.h"

namespace kestrix::test {
namespace {

constexpr const char* kFlight = "12345";

}  // namespace

RecordedFlight RecordDefaultFlight(SimulatorPeer& peer, SimLink& link) {
  auto clock = std::make_shared<FakeClock>();
  InstallClock(clock);
  ScriptedMessageBox boxes;
  Database db;
  db.CreateSchema();
  db.WritePilotInfo(PilotInfo{"pilot", "secret", "1234"});
  std::vector<AvailableFlight> flights{AvailableFlight{"guid-1", "SCHED", kFlight, "KSEA", "Seattle", "KPDX",
                                                       "Portland", "HAL", "123", "Halvorn", "B738", "", "", 0}};
  db.WriteAvailableFlights(flights, false);
  db.WriteServerVariables({{"maxGroundTime", "20"},
                           {"liveFeedUpdateTime", "60"},
                           {"flightPointsEnabledTest", "True"},
                           {"flightPointUploadSize", "500"},
                           {"flightPointHeadingTrigger", "15"},
                           {"flightPointAltitudeTrigger", "500"},
                           {"server", "127.0.0.1:9"}});
  QuietView view;
  OfflineServer server;
  RecordedFlight recorded;
  {
    FlightRecorder recorder(view, link, server);
    EXPECT_TRUE(recorder.SetFlightId(kFlight));
    recorder.SetResumeMode(false);
    recorder.StartFlightCommand();
    EXPECT_TRUE(recorder.FlightStarted());
    for (int tick = 0; tick < 4000 && peer.Stage() != FlightStage::Stopped; ++tick) {
      peer.Step(1.0);
      clock->Advance(1000);
      if (recorder.Tick() != TickResult::GoOn) break;
    }
    EXPECT_EQ(peer.Stage(), FlightStage::Stopped);
    boxes.Answer(MessageResult::Yes);
    recorder.EndFlight();
  }
  InstallClock(nullptr);
  std::vector<FlightRecord> reports;
  Database().ReadFlightReports(reports, true);
  if (reports.size() != 1) return recorded;
  recorded = {reports[0].flightMinutes, reports[0].fuelUsed, reports[0].landingRate, reports[0].points.size()};
  return recorded;
}

}  // namespace kestrix::test
