#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "flightgear_front_end.h"
#include "recorder/flight_recorder.h"
#include "sim/flightgear_transport.h"
#include "sim/sim_offsets.h"
#include "sim/sim_sampling.h"
#include "recorded_flight.h"
#include "sim_fixture.h"
#include "store/database.h"
#include "support/scripted_message_box.h"

namespace kestrix::test {
namespace {

void PutAircraft(SimVariables& s) {
  s.latitude = -33.9461234;
  s.longitude = 151.1772345;
  s.altitude = 5000.4;
  s.groundElevation = 21;
  s.trueHeading = 100.5;
  s.magneticVariation = 12.5;
  s.trueAirspeed = 180.9;
  s.onGround = false;
  s.simRate = 512;
  s.outsideAirTempC = -3.5;
  s.fuelMarker = 42;
  s.windDirection = 270;
  s.windSpeed = 15;
  s.tankCapacity = {40, 40, 0, 0, 0, 0, 0, 0, 0, 0, 12};
  s.tankLevel = {0.5, 0.75, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  s.fuelWeight = 6.0;
  s.title = "Test Twin";
}

// The stand-in flown through its interface module and through its props server side by side.
class FlightGearTransportTest : public SimFixture {
 protected:
  void SetUp() override {
    StartPeer();
    props = std::make_unique<FlightGearFrontEnd>(*peer);
    std::string error;
    ASSERT_TRUE(props->Start(0, &error)) << error;
    // Each hand-over sees the state as the test left it.
    flightGearLink = std::make_unique<SimLink>(MakeFlightGearTransport({.port = props->Port(), .freshMs = 0}));
    int result = -1;
    ASSERT_TRUE(flightGearLink->Open(result)) << "result " << result;
    flightGearLink->SetSendTimeoutMs(200);
  }

  SimLink& FlightGear() { return *flightGearLink; }

  std::unique_ptr<FlightGearFrontEnd> props;
  std::unique_ptr<SimLink> flightGearLink;
};

TEST_F(FlightGearTransportTest, SamplesReadAsThroughTheInterfaceModule) {
  peer->Change(PutAircraft, 0);
  peer->EditAircraft([](AircraftState& s) { s.slew = true; });
  OpenLink();
  SimCheckFields viaModule, viaProps;
  FlightRecord moduleFlight, propsFlight;
  int result = -1;
  ASSERT_TRUE(SampleSimulator(link, viaModule, moduleFlight, result));
  ASSERT_TRUE(SampleSimulator(FlightGear(), viaProps, propsFlight, result)) << result;
  EXPECT_EQ(viaProps.slewActive, 0) << "FlightGear has no slew mode";
  EXPECT_EQ(viaModule.slewActive, 1);
  EXPECT_EQ(viaProps.paused, viaModule.paused);
  EXPECT_EQ(viaProps.simRate, 512);
  EXPECT_EQ(viaProps.onGround, viaModule.onGround);
  EXPECT_EQ(viaProps.touchdownAirspeedRaw, viaModule.touchdownAirspeedRaw);
  EXPECT_NEAR(propsFlight.latitude, moduleFlight.latitude, 1e-7);
  EXPECT_NEAR(propsFlight.longitude, moduleFlight.longitude, 1e-7);
  EXPECT_EQ(propsFlight.altitude, moduleFlight.altitude);
  EXPECT_EQ(propsFlight.heading, moduleFlight.heading);
  EXPECT_EQ(propsFlight.trueAirspeed, moduleFlight.trueAirspeed);
  EXPECT_EQ(propsFlight.outsideAirTemp, moduleFlight.outsideAirTemp);
  EXPECT_EQ(propsFlight.radioAltitude, moduleFlight.radioAltitude);
  EXPECT_EQ(propsFlight.fuelMarker, 42);

  int32_t moduleFuel = 0, propsFuel = 0;
  ASSERT_TRUE(ReadFuel(link, moduleFuel, result));
  ASSERT_TRUE(ReadFuel(FlightGear(), propsFuel, result));
  EXPECT_EQ(propsFuel, moduleFuel);
  EXPECT_EQ(propsFuel, static_cast<int32_t>((20 + 30 + 12) * 6.0));

  LiveFeedExtras moduleExtras, propsExtras;
  ASSERT_TRUE(ReadLiveFeedExtras(link, moduleExtras, result));
  ASSERT_TRUE(ReadLiveFeedExtras(FlightGear(), propsExtras, result));
  EXPECT_EQ(propsExtras.magneticVariation, moduleExtras.magneticVariation);
  EXPECT_EQ(propsExtras.groundSpeed, moduleExtras.groundSpeed);
  EXPECT_EQ(propsExtras.fuelWeight, 6.0);
  EXPECT_EQ(propsExtras.aircraftTitle, "Test Twin");
  EXPECT_EQ(propsExtras.outsideAirTempF, moduleExtras.outsideAirTempF);
  EXPECT_EQ(propsExtras.fuelCapacity, moduleExtras.fuelCapacity);
  EXPECT_EQ(propsExtras.windSpeed, 15);
  EXPECT_EQ(propsExtras.windDirection, 270);
}

TEST_F(FlightGearTransportTest, TouchdownRateIsTheLastDescentSeenInTheAir) {
  peer->Change(
      [](SimVariables& s) {
        s.onGround = false;
        s.verticalSpeed = -240;
      },
      0);
  int32_t onGround = 0;
  int result = -1;
  ASSERT_TRUE(ReadOnGround(FlightGear(), onGround, result));
  peer->Change(
      [](SimVariables& s) {
        s.onGround = true;
        s.verticalSpeed = 0;
      },
      0);
  SimCheckFields checks;
  FlightRecord flight;
  ASSERT_TRUE(SampleSimulator(FlightGear(), checks, flight, result));
  EXPECT_NEAR(checks.touchdownVerticalSpeed * 60 * 3.28084 / 256, -240, 1);
}

TEST_F(FlightGearTransportTest, PauseRateAndPlacementReachTheSimulator) {
  FlightRecord flight;
  flight.lastLatitude = 51.4706;
  flight.lastLongitude = -0.461941;
  flight.altitude = 12000;
  flight.trueAirspeed = 220;
  flight.heading = 90;
  peer->Change([](SimVariables& s) { s.magneticVariation = -2; }, 0);
  int result = -1;
  ASSERT_TRUE(PlaceAircraft(FlightGear(), flight, result)) << result;
  const SimVariables placed = peer->View(false);
  EXPECT_TRUE(placed.paused);
  EXPECT_NEAR(placed.latitude, 51.4706, 1e-6);
  EXPECT_NEAR(placed.longitude, -0.461941, 1e-6);
  EXPECT_NEAR(placed.altitude, 12000, 1);
  EXPECT_NEAR(placed.trueAirspeed, 220, 0.01);
  EXPECT_NEAR(placed.trueHeading, 88, 0.01);

  const uint16_t rate = 1024, unpause = 0;
  ASSERT_TRUE(FlightGear().Write(2, SimOffset::SimulationRate, &rate, result));
  ASSERT_TRUE(FlightGear().Write(2, SimOffset::PauseControl, &unpause, result));
  ASSERT_TRUE(FlightGear().Process(result));
  EXPECT_EQ(peer->View(false).simRate, 1024);
  EXPECT_FALSE(peer->View(false).paused);
}

// Each misbehaviour fails the hand-over instead of answering with made-up values.
TEST_F(FlightGearTransportTest, FaultsFailTheHandOverAndARestartedSimulatorIsPickedUpAgain) {
  const struct {
    SimulatorFault fault;
    int expected;
  } cases[] = {
      {SimulatorFault::NotAnswering, SimResult::TimedOut},
      {SimulatorFault::GarbageAnswers, SimResult::SendFailed},
      {SimulatorFault::BrokenRecords, SimResult::SendFailed},
  };
  FlightGear().SetSendTimeoutMs(50);
  for (const auto& c : cases) {
    peer->SetFault(c.fault);
    int32_t onGround = 0;
    int result = -1;
    EXPECT_FALSE(ReadOnGround(FlightGear(), onGround, result));
    EXPECT_EQ(result, c.expected) << static_cast<int>(c.fault);
    peer->SetFault(SimulatorFault::None);
    EXPECT_TRUE(ReadOnGround(FlightGear(), onGround, result)) << "recovers after " << static_cast<int>(c.fault);
  }

  const int port = props->Port();
  props->Stop();
  int32_t onGround = 0;
  int result = -1;
  EXPECT_FALSE(ReadOnGround(FlightGear(), onGround, result));
  EXPECT_EQ(result, SimResult::SendFailed);
  ASSERT_TRUE(props->Start(port));
  EXPECT_TRUE(ReadOnGround(FlightGear(), onGround, result)) << result;
}

// Within the window a hand-over takes the newest snapshot without waiting
// for the simulator, so one that has gone silent since still answers.
TEST_F(FlightGearTransportTest, AFreshSnapshotIsTakenWithoutWaiting) {
  peer->Change([](SimVariables& s) { s.onGround = true; }, 0);
  SimLink windowed(MakeFlightGearTransport({.port = props->Port(), .freshMs = 60'000}));
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
  FlightGear().SetSendTimeoutMs(50);
  EXPECT_FALSE(ReadOnGround(FlightGear(), onGround, result));
  EXPECT_EQ(result, SimResult::TimedOut);
}

TEST(FlightGearFlight, RecordsAsThroughTheInterfaceModule) {
  auto flyThrough = [](bool props) {
    TempWorkDir workDir;
    SimulatorPeer peer(workDir.Path().string());
    FlightGearFrontEnd front(peer);
    EXPECT_TRUE(props ? front.Start(0) : peer.Start());
    SimLink link(props ? MakeFlightGearTransport({.port = front.Port(), .freshMs = 0})
                       : MakePosixSimTransport(workDir.Path().string()));
    int result = -1;
    EXPECT_TRUE(link.Open(result)) << result;
    return RecordDefaultFlight(peer, link);
  };
  const RecordedFlight viaModule = flyThrough(false);
  const RecordedFlight viaProps = flyThrough(true);
  EXPECT_GT(viaModule.minutes, 5);
  EXPECT_EQ(viaProps.minutes, viaModule.minutes);
  EXPECT_EQ(viaProps.fuelUsed, viaModule.fuelUsed);
  EXPECT_NEAR(viaProps.landingRate, viaModule.landingRate, 1.0);
  EXPECT_NEAR(viaModule.landingRate, -180, 1.0);
  EXPECT_EQ(viaProps.points, viaModule.points);
  EXPECT_GE(viaModule.points, 4u);
}

TEST(FlightGearTransport, NothingOrSomethingElseOnThePortIsNoSimulator) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  const int port = ntohs(address.sin_port);
  std::thread foreign([listener] {
    const int fd = accept(listener, nullptr, nullptr);
    const char banner[] = "HTTP/1.1 400 Bad Request\r\n\r\n";
    (void)!write(fd, banner, sizeof banner - 1);
    char drain[256];
    (void)!read(fd, drain, sizeof drain);
    close(fd);
  });
  int result = -1;
  SimLink foreignLink(MakeFlightGearTransport("127.0.0.1", port));
  EXPECT_FALSE(foreignLink.Open(result));
  EXPECT_EQ(result, SimResult::NoWindow);
  foreign.join();
  close(listener);

  SimLink nothing(MakeFlightGearTransport("127.0.0.1", port));
  EXPECT_FALSE(nothing.Open(result));
  EXPECT_EQ(result, SimResult::NoWindow);
}

}  // namespace
}  // namespace kestrix::test
