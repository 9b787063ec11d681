#include "app/fly_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "flightgear_front_end.h"
#include "sim/simulator_endpoints.h"
#include "sim/sim_transport.h"
#include "simulator_peer.h"
#include "support/fake_clock.h"
#include "support/other_simulators.h"
#include "support/scripted_message_box.h"
#include "support/stored_flights.h"
#include "support/temp_work_dir.h"
#include "xplane_front_end.h"

namespace kestrix::test {
namespace {

constexpr const char* kFlightId = "5150";
constexpr const char* kSimulatorMissing =
    "Unable to find Flight Simulator.\n\n"
    "Please start the simulator with its interface module installed, FlightGear with its props server "
    "(fgfs --telnet=5401), or X-Plane with network data enabled, and try again.";

struct FlyCase {
  const char* name;
  const char* type;
  const char* expiry;
  bool simulatorRunning;
  const char* savedFlightId;  // the temporary flight in the store, if any
  FlyPreparation expected;
  const char* message;  // the one message shown, if any
};

const FlyCase kCases[] = {
    {"expired bid", "BID", "1/15/2019", true, kFlightId, {false, false}, "That flight had expired."},
    {"expired spl", "SPL", "1/15/2019", true, nullptr, {false, false}, "That flight had expired."},
    {"expired hvh", "HVH", "3/5/2019 12:30:00 PM", true, nullptr, {false, false}, "That flight has expired."},
    {"no simulator", "SCH", "N/A", false, kFlightId, {false, false}, kSimulatorMissing},
    {"resumed", "BID", "1/15/2099", true, kFlightId, {true, true}, nullptr},
    {"fresh", "HVH", "3/5/2099 12:30:00 PM", true, "9999", {true, false}, nullptr},
};

// A store of its own, the stand-in simulator (not yet started) and a link to it.
class PrepareFlightFixture : public ::testing::Test {
 protected:
  void SetUp() override { PointOtherSimulatorsAt(1); }
  void TearDown() override {
    link.Close();
    sim.Stop();
  }

  TempWorkDir workDir;
  ScopedFakeClock clock;
  ScriptedMessageBox boxes;
  SimulatorPeer sim{workDir.Path().string()};
  SimLink link{MakePosixSimTransport(workDir.Path().string())};
};

class PrepareFlightTest : public PrepareFlightFixture, public ::testing::WithParamInterface<FlyCase> {};

TEST_P(PrepareFlightTest, RefusesWithItsMessageOrOpensTheLink) {
  const FlyCase& c = GetParam();
  Database().CreateSchema();
  AvailableFlight flight = MakeFlight(kFlightId, c.type, 0);
  flight.expiryDate = c.expiry;
  StoreFlights({flight});
  if (c.savedFlightId) {
    FlightRecord saved;
    saved.flightId = c.savedFlightId;
    ASSERT_TRUE(Database().WriteTempFlight(saved));
  }
  if (c.simulatorRunning) {
    ASSERT_TRUE(sim.Start());
  }

  int owner = 0;
  const FlyPreparation prepared = PrepareFlight(&owner, kFlightId, link);

  EXPECT_EQ(prepared.go, c.expected.go);
  EXPECT_EQ(prepared.resume, c.expected.resume);
  EXPECT_EQ(link.IsOpen(), c.expected.go) << "the link is open exactly when the flight goes ahead";
  if (c.message) {
    ASSERT_EQ(boxes.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(boxes.Shown()[0].owner, &owner);
    EXPECT_EQ(boxes.Shown()[0].caption, "Kestrix v2");
    EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Information);
  } else {
    EXPECT_TRUE(boxes.Texts().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Fly, PrepareFlightTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           std::ranges::replace(name, ' ', '_');
                           return name;
                         });

TEST_F(PrepareFlightFixture, ALinkLeftOpenFromAnEarlierFlightIsOpenedAfresh) {
  Database().CreateSchema();
  StoreFlights({MakeFlight(kFlightId, "SCH", 0)});
  ASSERT_TRUE(sim.Start());
  int code = 0;
  ASSERT_TRUE(link.Open(code));
  EXPECT_TRUE(PrepareFlight(nullptr, kFlightId, link).go);
  EXPECT_TRUE(link.IsOpen());
  EXPECT_TRUE(boxes.Texts().empty());
}

// The stand-in answering only as FlightGear, found on the port the data
// folder's file or the environment gives.
TEST_F(PrepareFlightFixture, FlightGearIsFoundWhenTheInterfaceModuleIsNot) {
  Database().CreateSchema();
  StoreFlights({MakeFlight(kFlightId, "SCH", 0)});
  FlightGearFrontEnd props(sim);
  ASSERT_TRUE(props.Start(0));
  PointOtherSimulatorsAt(props.Port());
  EXPECT_TRUE(PrepareFlight(nullptr, kFlightId, link).go);
  EXPECT_TRUE(link.IsOpen());
  EXPECT_TRUE(boxes.Texts().empty());

  PointOtherSimulatorsAt(1);
  ASSERT_EQ(setenv("KESTRIX_FLIGHTGEAR", (":" + std::to_string(props.Port())).c_str(), 1), 0);
  EXPECT_TRUE(PrepareFlight(nullptr, kFlightId, link).go);
  unsetenv("KESTRIX_FLIGHTGEAR");
  EXPECT_TRUE(boxes.Texts().empty());

  // With the interface module back, it is the one used.
  props.Stop();
  ASSERT_TRUE(sim.Start());
  EXPECT_TRUE(PrepareFlight(nullptr, kFlightId, link).go);
}

// The stand-in answering only as X-Plane, tried after the other two.
TEST_F(PrepareFlightFixture, XPlaneIsFoundWhenNeitherOtherSimulatorIs) {
  Database().CreateSchema();
  StoreFlights({MakeFlight(kFlightId, "SCH", 0)});
  XPlaneFrontEnd xPlane(sim);
  ASSERT_TRUE(xPlane.Start(0));
  PointOtherSimulatorsAt(1, xPlane.Port());
  EXPECT_TRUE(PrepareFlight(nullptr, kFlightId, link).go);
  EXPECT_TRUE(link.IsOpen());
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST(SimulatorEndpoints, ReadFromDefaultsTheFileAndTheEnvironment) {
  TempWorkDir workDir;
  EXPECT_EQ(ReadSimulatorEndpoints().flightGear.port, 5401);
  EXPECT_EQ(ReadSimulatorEndpoints().xPlane.port, 49000);
  std::ofstream(kSimulatorsFile) << "flightgear = fg.local:6000\nxplane=:49001\n# xplane = x:2\nxplane = bad:0\n";
  SimulatorEndpoints read = ReadSimulatorEndpoints();
  EXPECT_EQ(read.flightGear.host, "fg.local");
  EXPECT_EQ(read.flightGear.port, 6000);
  EXPECT_EQ(read.xPlane.host, "127.0.0.1");
  EXPECT_EQ(read.xPlane.port, 49001) << "a value that does not read is left out";
  ASSERT_EQ(setenv("KESTRIX_XPLANE", "10.0.0.2:49002", 1), 0);
  read = ReadSimulatorEndpoints();
  unsetenv("KESTRIX_XPLANE");
  EXPECT_EQ(read.xPlane.host, "10.0.0.2");
  EXPECT_EQ(read.xPlane.port, 49002);
}

// Without its record the flight's expiry cannot be known: nothing goes ahead.
TEST_F(PrepareFlightFixture, AFlightTheStoreCannotReadIsNotFlown) {
  std::filesystem::create_directory(workDir.Path() / "Kestrix2.db");
  ASSERT_TRUE(sim.Start());
  const FlyPreparation prepared = PrepareFlight(nullptr, kFlightId, link);
  EXPECT_FALSE(prepared.go);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(boxes.Texts().size(), 1u) << "the store's own message";
}

}  // namespace
}  // namespace kestrix::test
