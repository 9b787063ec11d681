#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "sim/sim_sampling.h"
#include "sim/xplane_datarefs.h"
#include "sim/xplane_transport.h"
#include "sim_fixture.h"
#include "test_aircraft.h"
#include "xplane_front_end.h"

namespace kestrix::test {
namespace {

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
  PutTestAircraft(sent);
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
