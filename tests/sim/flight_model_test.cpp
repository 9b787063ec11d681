#include "flight_model.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "sim/sim_sampling.h"
#include "sim_fixture.h"

namespace kestrix::test {
namespace {

Scenario ShortFlight(double touchdownRate) {
  Scenario scenario;
  scenario.settings.holdSeconds = 10;
  scenario.settings.taxiOutSeconds = 20;
  scenario.settings.cruiseAltitude = 3000;
  scenario.settings.cruiseSeconds = 30;
  scenario.settings.touchdownRate = touchdownRate;
  scenario.settings.taxiInSeconds = 20;
  return scenario;
}

// What a once-a-second sampler sees of a flight, as the recorder would.
struct Observed {
  int groundContacts = 0;  // airborne to on-ground transitions
  std::vector<double> landingRates;
  std::vector<int32_t> landingSpeeds;
  int32_t maxAltitude = 0;
  bool bounceHeightSeen = false;
  int32_t startFuel = 0;
  int32_t endFuel = 0;
};

class ScenarioFlightTest : public SimFixture {
 protected:
  Observed Fly(const Scenario& scenario, int maxSeconds) {
    peer->SetScenario(scenario);
    Observed seen;
    bool airborne = false;
    int result = -1;
    EXPECT_TRUE(ReadFuel(link, seen.startFuel, result));
    for (int second = 0; second < maxSeconds && peer->Stage() != FlightStage::Stopped; ++second) {
      peer->Step(1);
      SimCheckFields checks;
      FlightRecord flight;
      EXPECT_TRUE(SampleSimulator(link, checks, flight, result)) << result;
      seen.maxAltitude = std::max(seen.maxAltitude, flight.altitude);
      if (checks.onGround != 1) {
        airborne = true;
        if (flight.radioAltitude > 50 && !seen.landingRates.empty()) seen.bounceHeightSeen = true;
      } else if (airborne) {
        airborne = false;
        ++seen.groundContacts;
        seen.landingRates.push_back(checks.touchdownVerticalSpeed * 60 * 3.28084 / 256);
        seen.landingSpeeds.push_back(checks.touchdownAirspeedRaw / 128);
      }
    }
    EXPECT_TRUE(ReadFuel(link, seen.endFuel, result));
    return seen;
  }
};

TEST_F(ScenarioFlightTest, DefaultFlightLandsAtTheChosenRateAndTaxisToAStop) {
  StartPeer();
  OpenLink();
  const Observed seen = Fly(ShortFlight(-250), 3600);
  EXPECT_EQ(peer->Stage(), FlightStage::Stopped);
  EXPECT_EQ(seen.groundContacts, 1);
  ASSERT_EQ(seen.landingRates.size(), 1u);
  EXPECT_NEAR(seen.landingRates[0], -250, 2);
  EXPECT_NEAR(seen.landingSpeeds[0], 140, 3);
  EXPECT_NEAR(seen.maxAltitude, 3000, 1);
  EXPECT_LT(seen.endFuel, seen.startFuel - 50);
  EXPECT_GT(seen.endFuel, seen.startFuel - 400);
}

TEST_F(ScenarioFlightTest, BounceAndTouchAndGoMakeASecondMeasuredContact) {
  StartPeer();
  OpenLink();
  for (const char* event : {"bounce", "touch-and-go"}) {
    Scenario scenario = ShortFlight(-400);
    ScenarioEvent extra;
    ASSERT_TRUE(ParseScenarioEvent(event, extra));
    scenario.events.push_back(extra);
    const Observed seen = Fly(scenario, 3600);
    EXPECT_EQ(seen.groundContacts, 2) << event;
    EXPECT_TRUE(seen.bounceHeightSeen) << event;
    for (double rate : seen.landingRates) EXPECT_NEAR(rate, -400, 2) << event;
  }
}

TEST(FlightModelTest, TimedEventsPauseRateRefuelAndMarker) {
  Scenario scenario;
  std::string error;
  ASSERT_TRUE(ParseScenario("hold-seconds 5\n"
                            "taxi-out-seconds 1000  # stays taxiing\n"
                            "at 10 pause\n"
                            "at 20 unpause\n"
                            "at 25 rate 2\n"
                            "at 30 refuel\n"
                            "at 31 marker 3\n"
                            "at 32 slew-on\n",
                            scenario, error))
      << error;
  FlightModel model(scenario);
  const double fullFuel = model.State().CapacityPounds();
  model.Step(10.05);
  const AircraftState atPause = model.State();
  EXPECT_TRUE(atPause.paused);
  model.Step(9.9);
  EXPECT_EQ(model.State().latitude, atPause.latitude);
  EXPECT_EQ(model.State().FuelPounds(), atPause.FuelPounds());
  model.Step(1);
  EXPECT_FALSE(model.State().paused);
  EXPECT_NE(model.State().latitude, atPause.latitude);
  model.Step(5);
  EXPECT_EQ(model.State().simRate, 512);
  model.Step(5);
  EXPECT_NEAR(model.State().FuelPounds(), fullFuel, 1);
  model.Step(2);
  EXPECT_EQ(model.State().fuelMarker, 3);
  EXPECT_TRUE(model.State().slew);
}

TEST(FlightModelTest, ScenarioTextRejectsUnknownLinesByNumber) {
  Scenario scenario;
  scenario.settings.cruiseSeconds = 1;
  std::string error;
  EXPECT_FALSE(ParseScenario("cruise-seconds 60\nat 5 barrel-roll\n", scenario, error));
  EXPECT_EQ(error, "line 2: at 5 barrel-roll");
  EXPECT_EQ(scenario.settings.cruiseSeconds, 1);  // untouched on failure
  for (const char* bad : {"at -1 pause", "at 5 rate", "at 5 pause now", "cruise-speed fast", "cruise-speed 1 2"})
    EXPECT_FALSE(ParseScenario(bad, scenario, error)) << bad;
  ASSERT_TRUE(ParseScenario("at 9 land\nat 3 ground-stop\n\n# note\ncruise-speed 300\n", scenario, error));
  ASSERT_EQ(scenario.events.size(), 2u);
  EXPECT_EQ(scenario.events[0].kind, ScenarioEventKind::GroundStop);  // in time order
  EXPECT_EQ(scenario.settings.cruiseSpeed, 300);
}

TEST_F(ScenarioFlightTest, ShippedScenariosLoadAndTheCircuitFileLandsThreeTimes) {
  StartPeer();
  OpenLink();
  for (const auto& entry : std::filesystem::directory_iterator(KESTRIX_SCENARIO_DIR)) {
    Scenario scenario;
    std::string error;
    EXPECT_TRUE(LoadScenarioFile(entry.path().string(), scenario, error)) << error;
  }
  Scenario scenario;
  std::string error;
  ASSERT_TRUE(LoadScenarioFile(KESTRIX_SCENARIO_DIR "/bounce_and_touch_and_go.txt", scenario, error)) << error;
  const Observed seen = Fly(scenario, 7200);
  EXPECT_EQ(seen.groundContacts, 3);
  EXPECT_EQ(peer->Stage(), FlightStage::Stopped);
  EXPECT_FALSE(LoadScenarioFile(KESTRIX_SCENARIO_DIR "/missing.txt", scenario, error));
}

TEST_F(ScenarioFlightTest, AHoldForRecordingEndsWithTheFirstSample) {
  StartPeer();
  OpenLink();
  Scenario scenario;
  std::string error;
  ASSERT_TRUE(LoadScenarioFile(KESTRIX_SCENARIO_DIR "/wait_for_recording.txt", scenario, error)) << error;
  peer->SetScenario(scenario);
  int32_t fuel = 0;
  int result = -1;
  ASSERT_TRUE(ReadFuel(link, fuel, result));
  peer->Step(3600);
  EXPECT_EQ(peer->Stage(), FlightStage::Parked) << "only reading the fuel does not end the hold";
  SimCheckFields checks;
  FlightRecord flight;
  ASSERT_TRUE(SampleSimulator(link, checks, flight, result)) << result;
  peer->Step(1);
  EXPECT_EQ(peer->Stage(), FlightStage::TaxiOut);
}

TEST_F(ScenarioFlightTest, ControlCommands) {
  StartPeer();
  std::string reply;
  EXPECT_TRUE(peer->Command("slew on", reply));
  EXPECT_TRUE(peer->Aircraft().slew);
  EXPECT_TRUE(peer->Command("rate 4", reply));
  EXPECT_EQ(peer->Aircraft().simRate, 1024);
  EXPECT_TRUE(peer->Command("status", reply));
  EXPECT_NE(reply.find("stage=parked"), std::string::npos) << reply;
  EXPECT_TRUE(peer->Command("fault refuse", reply));
  EXPECT_FALSE(peer->Command("fault sideways", reply));
  EXPECT_FALSE(peer->Command("fly me to the moon", reply));
  EXPECT_TRUE(peer->Command("vanish", reply));
  EXPECT_FALSE(peer->Running());
  EXPECT_TRUE(peer->Command("return", reply));
  EXPECT_TRUE(peer->Running());
}

}  // namespace
}  // namespace kestrix::test
