#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "flightgear_front_end.h"
#include "recorded_flight.h"
#include "sim/flightgear_transport.h"
#include "sim/sim_offsets.h"
#include "sim/sim_sampling.h"
#include "sim/xplane_transport.h"
#include "sim_fixture.h"
#include "test_aircraft.h"
#include "xplane_front_end.h"

namespace kestrix::test {
namespace {

// The stand-in shown as another simulator, whichever front end that takes.
class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  virtual bool Start(int port, std::string* error = nullptr) = 0;
  virtual void Stop() = 0;
  virtual int Port() const = 0;
};

template <typename Shown>
class FrontEndAs : public FrontEnd {
 public:
  explicit FrontEndAs(SimulatorPeer& peer) : shown(peer) {}
  bool Start(int port, std::string* error) override { return shown.Start(port, error); }
  void Stop() override { shown.Stop(); }
  int Port() const override { return shown.Port(); }

 private:
  Shown shown;
};

// A simulator reached through its own interface, and how far its values may
// stray from the interface module's.
struct OtherSimulator {
  std::string name;
  std::function<std::unique_ptr<FrontEnd>(SimulatorPeer&)> showAs;
  // Values younger than `freshMs` serve a hand-over without waiting; with
  // 0 each waits for values sent after it began, so a fault shows at once.
  std::function<std::unique_ptr<SimTransport>(int port, int freshMs)> reach;
  // For a whole flight, where each step of the model must be seen: the
  // stand-in's props server only answers, while as X-Plane it sends each step.
  int flightFreshMs = 0;
  double degrees = 0;  // latitude and longitude
  int fuelPounds = 0;
  int garbageResult = SimResult::TimedOut;  // for malformed and cut-short answers
  int goneResult = SimResult::TimedOut;     // once the simulator has quit
};

std::string NameOf(const ::testing::TestParamInfo<OtherSimulator>& info) { return info.param.name; }
void PrintTo(const OtherSimulator& simulator, std::ostream* out) { *out << simulator.name; }

const OtherSimulator kFlightGear{
    .name = "FlightGear",
    .showAs = [](SimulatorPeer& peer) { return std::make_unique<FrontEndAs<FlightGearFrontEnd>>(peer); },
    .reach = [](int port, int freshMs) { return MakeFlightGearTransport({.port = port, .freshMs = freshMs}); },
    .flightFreshMs = 0,
    .degrees = 1e-7,
    .fuelPounds = 0,
    .garbageResult = SimResult::SendFailed,
    .goneResult = SimResult::SendFailed};

// Values travel as 32-bit floats.
const OtherSimulator kXPlane{
    .name = "XPlane",
    .showAs = [](SimulatorPeer& peer) { return std::make_unique<FrontEndAs<XPlaneFrontEnd>>(peer); },
    .reach =
        [](int port, int freshMs) {
          return MakeXPlaneTransport({.host = "127.0.0.1", .port = port, .beaconPort = 0, .freshMs = freshMs});
        },
    .flightFreshMs = XPlaneOptions{}.freshMs,
    .degrees = 2e-5,
    .fuelPounds = 1,
    .garbageResult = SimResult::TimedOut,
    .goneResult = SimResult::TimedOut};

// The stand-in flown through its interface module and as the other simulator side by side.
class OtherSimulatorTest : public SimFixture, public ::testing::WithParamInterface<OtherSimulator> {
 protected:
  void SetUp() override {
    StartPeer();
    front = GetParam().showAs(*peer);
    std::string error;
    ASSERT_TRUE(front->Start(0, &error)) << error;
    otherLink = std::make_unique<SimLink>(GetParam().reach(front->Port(), 0));
    int result = -1;
    ASSERT_TRUE(otherLink->Open(result)) << "result " << result;
    otherLink->SetSendTimeoutMs(200);
  }

  SimLink& Other() { return *otherLink; }

  std::unique_ptr<FrontEnd> front;
  std::unique_ptr<SimLink> otherLink;
};

TEST_P(OtherSimulatorTest, SamplesReadAsThroughTheInterfaceModule) {
  peer->Change(PutTestAircraft, 0);
  peer->EditAircraft([](AircraftState& s) { s.slew = true; });
  OpenLink();
  SimCheckFields viaModule, viaOther;
  FlightRecord moduleFlight, otherFlight;
  int result = -1;
  ASSERT_TRUE(SampleSimulator(link, viaModule, moduleFlight, result));
  ASSERT_TRUE(SampleSimulator(Other(), viaOther, otherFlight, result)) << result;
  EXPECT_EQ(viaModule.slewActive, 1);
  EXPECT_EQ(viaOther.slewActive, 0) << "neither has a slew mode";
  EXPECT_EQ(viaOther.paused, viaModule.paused);
  EXPECT_EQ(viaOther.simRate, 512);
  EXPECT_EQ(viaOther.onGround, viaModule.onGround);
  EXPECT_NEAR(viaOther.touchdownAirspeedRaw, viaModule.touchdownAirspeedRaw, 1);
  EXPECT_NEAR(otherFlight.latitude, moduleFlight.latitude, GetParam().degrees);
  EXPECT_NEAR(otherFlight.longitude, moduleFlight.longitude, GetParam().degrees);
  EXPECT_EQ(otherFlight.altitude, moduleFlight.altitude);
  EXPECT_EQ(otherFlight.heading, moduleFlight.heading);
  EXPECT_EQ(otherFlight.trueAirspeed, moduleFlight.trueAirspeed);
  EXPECT_EQ(otherFlight.outsideAirTemp, moduleFlight.outsideAirTemp);
  EXPECT_EQ(otherFlight.radioAltitude, moduleFlight.radioAltitude);

  int32_t moduleFuel = 0, otherFuel = 0;
  ASSERT_TRUE(ReadFuel(link, moduleFuel, result));
  ASSERT_TRUE(ReadFuel(Other(), otherFuel, result));
  EXPECT_NEAR(otherFuel, moduleFuel, GetParam().fuelPounds);
  EXPECT_NEAR(otherFuel, (20 + 30 + 12) * 6.7, 1);

  LiveFeedExtras moduleExtras, otherExtras;
  ASSERT_TRUE(ReadLiveFeedExtras(link, moduleExtras, result));
  ASSERT_TRUE(ReadLiveFeedExtras(Other(), otherExtras, result));
  EXPECT_EQ(otherExtras.magneticVariation, moduleExtras.magneticVariation);
  EXPECT_EQ(otherExtras.groundSpeed, moduleExtras.groundSpeed);
  EXPECT_EQ(otherExtras.fuelWeight, moduleExtras.fuelWeight);
  EXPECT_EQ(otherExtras.aircraftTitle, "Test Twin");
  EXPECT_EQ(otherExtras.outsideAirTempF, moduleExtras.outsideAirTempF);
  EXPECT_NEAR(otherExtras.fuelCapacity, moduleExtras.fuelCapacity, GetParam().fuelPounds);
  EXPECT_EQ(otherExtras.windSpeed, 15);
  EXPECT_EQ(otherExtras.windDirection, 270);
}

// Neither keeps the rate at ground contact.
TEST_P(OtherSimulatorTest, TouchdownRateIsTheLastDescentSeenInTheAir) {
  peer->Change(
      [](SimVariables& s) {
        s.onGround = false;
        s.verticalSpeed = -240;
      },
      0);
  int32_t onGround = 0;
  int result = -1;
  ASSERT_TRUE(ReadOnGround(Other(), onGround, result));
  peer->Change(
      [](SimVariables& s) {
        s.onGround = true;
        s.verticalSpeed = 0;
      },
      0);
  SimCheckFields checks;
  FlightRecord flight;
  ASSERT_TRUE(SampleSimulator(Other(), checks, flight, result));
  EXPECT_NEAR(checks.touchdownVerticalSpeed * 60 * 3.28084 / 256, -240, 1);
}

TEST_P(OtherSimulatorTest, PauseRateAndPlacementReachTheSimulator) {
  FlightRecord flight;
  flight.lastLatitude = 51.4706;
  flight.lastLongitude = -0.461941;
  flight.altitude = 12000;
  flight.trueAirspeed = 220;
  flight.heading = 90;
  peer->Change([](SimVariables& s) { s.magneticVariation = -2; }, 0);
  int result = -1;
  ASSERT_TRUE(PlaceAircraft(Other(), flight, result)) << result;
  const SimVariables placed = peer->View(false);
  EXPECT_TRUE(placed.paused);
  EXPECT_NEAR(placed.latitude, 51.4706, GetParam().degrees);
  EXPECT_NEAR(placed.longitude, -0.461941, GetParam().degrees);
  EXPECT_NEAR(placed.altitude, 12000, 1);
  EXPECT_NEAR(placed.trueAirspeed, 220, 0.01);
  EXPECT_NEAR(placed.trueHeading, 88, 0.01);

  const uint16_t rate = 1024, unpause = 0;
  ASSERT_TRUE(Other().Write(2, SimOffset::SimulationRate, &rate, result));
  ASSERT_TRUE(Other().Write(2, SimOffset::PauseControl, &unpause, result));
  ASSERT_TRUE(Other().Process(result));
  EXPECT_EQ(peer->View(false).simRate, 1024);
  EXPECT_FALSE(peer->View(false).paused);
}

// Each misbehaviour fails the hand-over instead of answering with made-up
// values. Values a streaming simulator sent before the fault may still be on
// their way, so the first read after it is not judged.
TEST_P(OtherSimulatorTest, FaultsFailTheHandOverAndARestartedSimulatorIsPickedUpAgain) {
  const struct {
    SimulatorFault fault;
    int expected;
  } cases[] = {
      {SimulatorFault::NotAnswering, SimResult::TimedOut},
      {SimulatorFault::GarbageAnswers, GetParam().garbageResult},
      {SimulatorFault::BrokenRecords, GetParam().garbageResult},
  };
  Other().SetSendTimeoutMs(50);
  int32_t onGround = 0;
  int result = -1;
  for (const auto& c : cases) {
    peer->SetFault(c.fault);
    ReadOnGround(Other(), onGround, result);
    EXPECT_FALSE(ReadOnGround(Other(), onGround, result));
    EXPECT_EQ(result, c.expected) << static_cast<int>(c.fault);
    peer->SetFault(SimulatorFault::None);
    EXPECT_TRUE(ReadOnGround(Other(), onGround, result)) << "recovers after " << static_cast<int>(c.fault);
  }

  const int port = front->Port();
  front->Stop();
  ReadOnGround(Other(), onGround, result);
  EXPECT_FALSE(ReadOnGround(Other(), onGround, result));
  EXPECT_EQ(result, GetParam().goneResult);
  ASSERT_TRUE(front->Start(port));
  EXPECT_TRUE(ReadOnGround(Other(), onGround, result)) << result;
}

// Within the window a hand-over takes the newest values without waiting for
// the simulator, so one that has gone silent since still answers.
TEST_P(OtherSimulatorTest, FreshValuesAreTakenWithoutWaiting) {
  peer->Change([](SimVariables& s) { s.onGround = true; }, 0);
  SimLink windowed(GetParam().reach(front->Port(), 60'000));
  int result = -1;
  ASSERT_TRUE(windowed.Open(result)) << result;
  windowed.SetSendTimeoutMs(50);
  int32_t onGround = 0;
  ASSERT_TRUE(ReadOnGround(windowed, onGround, result)) << result;
  EXPECT_EQ(onGround, 1);

  peer->SetFault(SimulatorFault::NotAnswering);
  onGround = 0;
  EXPECT_TRUE(ReadOnGround(windowed, onGround, result)) << result;
  EXPECT_EQ(onGround, 1);
  Other().SetSendTimeoutMs(50);
  ReadOnGround(Other(), onGround, result);
  EXPECT_FALSE(ReadOnGround(Other(), onGround, result));
  EXPECT_EQ(result, SimResult::TimedOut);
}

TEST_P(OtherSimulatorTest, AWholeFlightRecordsAsThroughTheInterfaceModule) {
  auto flyThrough = [](bool other) {
    TempWorkDir workDir;
    SimulatorPeer peer(workDir.Path().string());
    const std::unique_ptr<FrontEnd> front = GetParam().showAs(peer);
    EXPECT_TRUE(other ? front->Start(0) : peer.Start());
    SimLink link(other ? GetParam().reach(front->Port(), GetParam().flightFreshMs) : MakePosixSimTransport(workDir.Path().string()));
    int result = -1;
    EXPECT_TRUE(link.Open(result)) << result;
    return RecordDefaultFlight(peer, link);
  };
  const RecordedFlight viaModule = flyThrough(false);
  const RecordedFlight viaOther = flyThrough(true);
  EXPECT_GT(viaModule.minutes, 5);
  EXPECT_EQ(viaOther.minutes, viaModule.minutes);
  EXPECT_NEAR(viaOther.fuelUsed, viaModule.fuelUsed, GetParam().fuelPounds);
  EXPECT_NEAR(viaModule.landingRate, -180, 1.0);
  EXPECT_NEAR(viaOther.landingRate, viaModule.landingRate, 1.0);
  EXPECT_GE(viaModule.points, 4u);
  EXPECT_EQ(viaOther.points, viaModule.points);
}

INSTANTIATE_TEST_SUITE_P(Simulators, OtherSimulatorTest, ::testing::Values(kFlightGear, kXPlane), NameOf);

}  // namespace
}  // namespace kestrix::test
