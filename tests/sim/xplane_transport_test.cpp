#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "recorded_flight.h"
#include "sim/sim_offsets.h"
#include "sim/sim_sampling.h"
#include "sim/xplane_datarefs.h"
#include "sim/xplane_transport.h"
#include "sim_fixture.h"
#include "xplane_front_end.h"

namespace kestrix::test {
namespace {

void PutAircraft(SimVariables& s) {
  s.latitude = -33.9461234;
  s.longitude = 151.1772345;
  s.altitude = 5000.4;
  s.groundElevation = 21;
  s.trueHeading = 5.5;
  s.magneticVariation = 12.5;  // a magnetic heading across north
  s.trueAirspeed = 180.9;
  s.groundSpeed = 170.2;
  s.verticalSpeed = -640;
  s.onGround = false;
  s.simRate = 512;
  s.outsideAirTempC = -3.5;
  s.windDirection = 270;
  s.windSpeed = 15;
  s.tankCapacity = {40, 40, 0, 0, 0, 0, 0, 0, 12, 0, 0};
  s.tankLevel = {0.5, 0.75, 0, 0, 0, 0, 0, 0, 1, 0, 0};
  s.title = "Test Twin";
}

// A UDP socket on loopback with a port of its own.
struct UdpEndpoint {
  UdpEndpoint() {
    fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  ~UdpEndpoint() { close(fd); }
  int fd = -1;
  int port = 0;
};

TEST(XPlaneDatarefs, CarryTheVariablesBothWaysWithinFloatResolution) {
  SimVariables sent;
  PutAircraft(sent);
  sent.fuelMarker = 42;
  sent.tankCapacity[10] = 30;  // X-Plane has nine tanks
  sent.tankLevel[10] = 1;
  SimVariables read;
  read.fuelMarker = 7;
  read.slew = true;
  ReadXPlaneDatarefs(XPlaneDatarefValues(sent), read);
  EXPECT_NEAR(read.latitude, sent.latitude, 1e-5);
  EXPECT_NEAR(read.longitude, sent.longitude, 2e-5);
  EXPECT_NEAR(read.altitude, sent.altitude, 1e-3);
  EXPECT_NEAR(read.groundElevation, 21, 1e-3);
  EXPECT_NEAR(read.trueHeading, 5.5, 1e-4);
  EXPECT_NEAR(read.magneticVariation, 12.5, 1e-4);
  EXPECT_NEAR(read.trueAirspeed, 180.9, 1e-4);
  EXPECT_NEAR(read.groundSpeed, 170.2, 1e-4);
  EXPECT_NEAR(read.verticalSpeed, -640, 1e-3);
  EXPECT_FALSE(read.onGround);
  EXPECT_EQ(read.simRate, 512);
  EXPECT_NEAR(read.outsideAirTempC, -3.5, 1e-5);
  EXPECT_NEAR(read.windDirection, 270, 1e-4);
  EXPECT_EQ(read.title, "Test Twin");
  EXPECT_NEAR(read.FuelPounds(), (20 + 30 + 12) * 6.7, 1e-3);
  EXPECT_NEAR(read.CapacityPounds(), (40 + 40 + 12) * 6.7, 1e-3);
  EXPECT_EQ(read.tankCapacity[10], 0) << "tanks X-Plane does not have stay empty";
  EXPECT_FALSE(read.slew) << "X-Plane has no slew";
  EXPECT_EQ(read.fuelMarker, 7) << "not X-Plane's: left alone";

  // The rate is the product of two datarefs; a rate past any the offset holds saturates.
  std::vector<float> values = XPlaneDatarefValues(sent);
  const auto at = [](const char* path) {
    const auto& datarefs = XPlaneDatarefs();
    return std::ranges::find(datarefs, std::string(path), &XPlaneDataref::path) - datarefs.begin();
  };
  values[at("sim/time/ground_speed")] = 4;
  ReadXPlaneDatarefs(values, read);
  EXPECT_EQ(read.simRate, 8 * 256);
  values[at("sim/time/sim_speed")] = 1e30f;
  ReadXPlaneDatarefs(values, read);
  EXPECT_EQ(read.simRate, 255 * 256);
}

// The stand-in flown through its interface module and as X-Plane side by side.
class XPlaneTransportTest : public SimFixture {
 protected:
  void SetUp() override {
    StartPeer();
    xPlane = std::make_unique<XPlaneFrontEnd>(*peer);
    std::string error;
    ASSERT_TRUE(xPlane->Start(0, &error)) << error;
    // Every hand-over waits for values sent after it began, so a fault shows at once.
    xPlaneLink = std::make_unique<SimLink>(
        MakeXPlaneTransport({.host = "127.0.0.1", .port = xPlane->Port(), .beaconPort = 0, .freshMs = 0}));
    int result = -1;
    ASSERT_TRUE(xPlaneLink->Open(result)) << "result " << result;
    xPlaneLink->SetSendTimeoutMs(200);
  }

  SimLink& XPlane() { return *xPlaneLink; }

  std::unique_ptr<XPlaneFrontEnd> xPlane;
  std::unique_ptr<SimLink> xPlaneLink;
};

TEST_F(XPlaneTransportTest, SamplesReadAsThroughTheInterfaceModule) {
  peer->Change(PutAircraft, 0);
  peer->EditAircraft([](AircraftState& s) { s.slew = true; });
  OpenLink();
  SimCheckFields viaModule, viaXPlane;
  FlightRecord moduleFlight, xPlaneFlight;
  int result = -1;
  ASSERT_TRUE(SampleSimulator(link, viaModule, moduleFlight, result));
  ASSERT_TRUE(SampleSimulator(XPlane(), viaXPlane, xPlaneFlight, result)) << result;
  EXPECT_EQ(viaXPlane.slewActive, 0) << "X-Plane has no slew mode";
  EXPECT_EQ(viaXPlane.paused, viaModule.paused);
  EXPECT_EQ(viaXPlane.simRate, 512);
  EXPECT_EQ(viaXPlane.onGround, viaModule.onGround);
  EXPECT_NEAR(viaXPlane.touchdownAirspeedRaw, viaModule.touchdownAirspeedRaw, 1);
  EXPECT_NEAR(xPlaneFlight.latitude, moduleFlight.latitude, 1e-5);
  EXPECT_NEAR(xPlaneFlight.longitude, moduleFlight.longitude, 2e-5);
  EXPECT_EQ(xPlaneFlight.altitude, moduleFlight.altitude);
  EXPECT_EQ(xPlaneFlight.heading, moduleFlight.heading);
  EXPECT_EQ(xPlaneFlight.trueAirspeed, moduleFlight.trueAirspeed);
  EXPECT_EQ(xPlaneFlight.outsideAirTemp, moduleFlight.outsideAirTemp);
  EXPECT_EQ(xPlaneFlight.radioAltitude, moduleFlight.radioAltitude);

  int32_t moduleFuel = 0, xPlaneFuel = 0;
  ASSERT_TRUE(ReadFuel(link, moduleFuel, result));
  ASSERT_TRUE(ReadFuel(XPlane(), xPlaneFuel, result));
  EXPECT_NEAR(xPlaneFuel, moduleFuel, 1) << "fuel travels as a 32-bit float";

  LiveFeedExtras moduleExtras, xPlaneExtras;
  ASSERT_TRUE(ReadLiveFeedExtras(link, moduleExtras, result));
  ASSERT_TRUE(ReadLiveFeedExtras(XPlane(), xPlaneExtras, result));
  EXPECT_EQ(xPlaneExtras.magneticVariation, moduleExtras.magneticVariation);
  EXPECT_EQ(xPlaneExtras.groundSpeed, moduleExtras.groundSpeed);
  EXPECT_EQ(xPlaneExtras.aircraftTitle, "Test Twin");
  EXPECT_EQ(xPlaneExtras.outsideAirTempF, moduleExtras.outsideAirTempF);
  EXPECT_NEAR(xPlaneExtras.fuelCapacity, moduleExtras.fuelCapacity, 1);
  EXPECT_EQ(xPlaneExtras.windSpeed, 15);
  EXPECT_EQ(xPlaneExtras.windDirection, 270);
}

TEST_F(XPlaneTransportTest, PauseRateAndPlacementReachTheSimulator) {
  FlightRecord flight;
  flight.lastLatitude = 51.4706;
  flight.lastLongitude = -0.461941;
  flight.altitude = 12000;
  flight.trueAirspeed = 220;
  flight.heading = 90;
  peer->Change([](SimVariables& s) { s.magneticVariation = -2; }, 0);
  int result = -1;
  ASSERT_TRUE(PlaceAircraft(XPlane(), flight, result)) << result;
  const SimVariables placed = peer->View(false);
  EXPECT_TRUE(placed.paused);
  EXPECT_NEAR(placed.latitude, 51.4706, 1e-5);
  EXPECT_NEAR(placed.longitude, -0.461941, 1e-5);
  EXPECT_NEAR(placed.altitude, 12000, 1);
  EXPECT_NEAR(placed.trueAirspeed, 220, 0.01);
  EXPECT_NEAR(placed.trueHeading, 88, 0.01);

  const uint16_t rate = 1024, unpause = 0;
  ASSERT_TRUE(XPlane().Write(2, SimOffset::SimulationRate, &rate, result));
  ASSERT_TRUE(XPlane().Write(2, SimOffset::PauseControl, &unpause, result));
  ASSERT_TRUE(XPlane().Process(result));
  EXPECT_EQ(peer->View(false).simRate, 1024);
  EXPECT_FALSE(peer->View(false).paused);
}

// Datagrams that are not X-Plane's values are passed over, so a simulator
// sending only those is one that does not answer. Values sent before a
// fault are still on their way and are taken first.
TEST_F(XPlaneTransportTest, FaultsTimeTheHandOverOutAndARestartedSimulatorIsPickedUpAgain) {
  XPlane().SetSendTimeoutMs(50);
  for (SimulatorFault fault :
       {SimulatorFault::NotAnswering, SimulatorFault::GarbageAnswers, SimulatorFault::BrokenRecords}) {
    peer->SetFault(fault);
    int32_t onGround = 0;
    int result = -1;
    ReadOnGround(XPlane(), onGround, result);
    EXPECT_FALSE(ReadOnGround(XPlane(), onGround, result));
    EXPECT_EQ(result, SimResult::TimedOut) << static_cast<int>(fault);
    peer->SetFault(SimulatorFault::None);
    EXPECT_TRUE(ReadOnGround(XPlane(), onGround, result)) << "recovers after " << static_cast<int>(fault);
  }

  const int port = xPlane->Port();
  xPlane->Stop();
  int32_t onGround = 0;
  int result = -1;
  ReadOnGround(XPlane(), onGround, result);
  EXPECT_FALSE(ReadOnGround(XPlane(), onGround, result));
  EXPECT_EQ(result, SimResult::TimedOut);
  ASSERT_TRUE(xPlane->Start(port));
  EXPECT_TRUE(ReadOnGround(XPlane(), onGround, result)) << result;
}

TEST(XPlaneFlight, RecordsAsThroughTheInterfaceModule) {
  auto flyThrough = [](bool xPlane) {
    TempWorkDir workDir;
    SimulatorPeer peer(workDir.Path().string());
    XPlaneFrontEnd front(peer);
    EXPECT_TRUE(xPlane ? front.Start(0) : peer.Start());
    SimLink link(xPlane ? MakeXPlaneTransport({.host = "127.0.0.1", .port = front.Port(), .beaconPort = 0})
                        : MakePosixSimTransport(workDir.Path().string()));
    int result = -1;
    EXPECT_TRUE(link.Open(result)) << result;
    return RecordDefaultFlight(peer, link);
  };
  const RecordedFlight viaModule = flyThrough(false);
  const RecordedFlight viaXPlane = flyThrough(true);
  EXPECT_GT(viaModule.minutes, 5);
  EXPECT_EQ(viaXPlane.minutes, viaModule.minutes);
  EXPECT_NEAR(viaXPlane.fuelUsed, viaModule.fuelUsed, 1) << "fuel travels as a 32-bit float";
  EXPECT_NEAR(viaXPlane.landingRate, viaModule.landingRate, 1.0);
  EXPECT_EQ(viaXPlane.points, viaModule.points);
}

// A peer answering from another address and with something else, and then
// one that stays silent: none of them is X-Plane.
TEST(XPlaneTransport, NothingOrSomethingElseOnThePortIsNoSimulator) {
  UdpEndpoint foreign, elsewhere;
  std::atomic<bool> done{false};
  std::thread answering([&] {
    char request[1024];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const std::string values = EncodeXPlaneValues({{0, 47.5f}});
    const std::string other = "HTTP/1.1 400 Bad Request\r\n\r\n";
    timeval wait{0, 20000};
    setsockopt(foreign.fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    while (!done) {
      if (recvfrom(foreign.fd, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&from), &length) < 0) continue;
      sendto(elsewhere.fd, values.data(), values.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
      sendto(foreign.fd, other.data(), other.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
  });
  int result = -1;
  SimLink foreignLink(MakeXPlaneTransport({.host = "127.0.0.1", .port = foreign.port, .beaconPort = 0}));
  EXPECT_FALSE(foreignLink.Open(result));
  EXPECT_EQ(result, SimResult::NoWindow);
  done = true;
  answering.join();

  SimLink nothing(MakeXPlaneTransport({.host = "127.0.0.1", .port = foreign.port, .beaconPort = 0}));
  EXPECT_FALSE(nothing.Open(result));
  EXPECT_EQ(result, SimResult::NoWindow);
}

// Nothing answers where it is looked for; a copy announcing itself is used instead.
TEST(XPlaneTransport, ACopyAnnouncedByItsBeaconIsFound) {
  TempWorkDir workDir;
  ScopedFakeClock clock;
  SimulatorPeer peer(workDir.Path().string());
  XPlaneFrontEnd front(peer);
  ASSERT_TRUE(front.Start(0));
  UdpEndpoint silent;
  int beaconPort = 0;
  {
    UdpEndpoint probe;
    beaconPort = probe.port;
  }
  std::atomic<bool> open{false};
  std::thread announcing([&] {
    for (int beacon = 0; beacon < 100 && !open; ++beacon) {
      front.SendBeacon("127.0.0.1", beaconPort);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  SimLink found(MakeXPlaneTransport({.host = "127.0.0.1", .port = silent.port, .beaconPort = beaconPort}));
  int result = -1;
  EXPECT_TRUE(found.Open(result)) << result;
  open = true;
  announcing.join();
  int32_t onGround = 0;
  EXPECT_TRUE(ReadOnGround(found, onGround, result)) << result;
  EXPECT_EQ(onGround, 1);
}

}  // namespace
}  // namespace kestrix::test
