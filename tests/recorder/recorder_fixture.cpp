#include "recorder_fixture.h"

#include "sim/sim_transport.h"

namespace kestrix::test {

RecorderTest::RecorderTest()
    : sim(workDir.Path().string()), link(MakePosixSimTransport(workDir.Path().string())) {
  InstallClock(clock);
  vars = {{"maxGroundTime", "20"},          {"liveFeedUpdateTime", "60"},
          {"flightPointsEnabledTest", "True"}, {"flightPointUploadSize", "500"},
          {"flightPointHeadingTrigger", "15"}, {"flightPointAltitudeTrigger", "500"},
          {"server", "127.0.0.1:9"}};
}

RecorderTest::~RecorderTest() {
  recorder.reset();
  link.Close();
  sim.Stop();
  InstallClock(nullptr);
}

void RecorderTest::SetUp() {
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  int code = 0;
  ASSERT_TRUE(link.Open(code)) << "code " << code;
  Database db;
  db.CreateSchema();
  db.WritePilotInfo(PilotInfo{"pilot", "secret", "1234"});
  StoreFlight();
  recorder = std::make_unique<FlightRecorder>(view, link, server);
  ASSERT_TRUE(recorder->SetFlightId(kFlightId));
}

void RecorderTest::StoreFlight() {
  std::vector<AvailableFlight> flights{AvailableFlight{"guid-1", "SCHED", kFlightId, "KSEA", "Seattle", "KPDX",
                                                       "Portland", "HAL", "123", "Halvorn", "B738", "", "", 0}};
  Database().WriteAvailableFlights(flights, false);
}

void RecorderTest::StoreVariables() { Database().WriteServerVariables(vars); }

void RecorderTest::Start(bool resume) {
  StoreVariables();
  recorder->SetResumeMode(resume);
  recorder->StartFlightCommand();
  ASSERT_FALSE(view.closed) << "the flight did not start";
  ASSERT_TRUE(recorder->FlightStarted());
}

int RecorderTest::Tick() {
  sim.Step(1.0);
  clock->Advance(1000);
  return recorder->Tick();
}

void RecorderTest::Ticks(int count) {
  for (int i = 0; i < count; ++i) ASSERT_EQ(Tick(), TickResult::GoOn) << "tick " << i;
}

bool RecorderTest::TickUntil(FlightStage stage, int limit) {
  return TickUntil([&] { return sim.Stage() == stage; }, limit);
}

bool RecorderTest::TickUntil(const std::function<bool()>& done, int limit) {
  for (int i = 0; i < limit && !done(); ++i) {
    if (Tick() != TickResult::GoOn) return false;
  }
  return done();
}

void RecorderTest::Command(const std::string& line) {
  std::string reply;
  ASSERT_TRUE(sim.Command(line, reply)) << line << ": " << reply;
}

int32_t RecorderTest::SimFuel() {
  int32_t pounds = 0;
  int code = 0;
  // The reading the recorder itself makes, so whole pounds round alike.
  ReadFuel(link, pounds, code);
  return pounds;
}

std::vector<FlightRecord> RecorderTest::Reports(bool withPoints) {
  std::vector<FlightRecord> reports;
  Database().ReadFlightReports(reports, withPoints);
  return reports;
}

std::vector<std::string> RecorderTest::TempFlightIds() {
  std::vector<std::string> ids;
  Database().ReadTempFlightIds(ids);
  return ids;
}

int32_t RecorderTest::StoredStatus() {
  AvailableFlight flight;
  Database().ReadAvailableFlight(kFlightId, flight);
  return flight.status;
}

}  // namespace kestrix::test
