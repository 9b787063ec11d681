// The program against a real FlightGear that scripts/test-flightgear.sh has
// started with the default aircraft at gate 1 of BIKF and its props server on
// $KESTRIX_FLIGHTGEAR_PORT. The tests share that one simulator and run in the
// order written: at the gate, the recorder's rules, then the placement and a
// flight in the air.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "airline/airline_server.h"
#include "platform/internet_state.h"
#include "recorder/flight_recorder.h"
#include "server/account.h"
#include "server/http_engine.h"
#include "sim/flightgear_transport.h"
#include "sim/sim_offsets.h"
#include "sim/sim_sampling.h"
#include "store/database.h"
#include "support/fake_clock.h"
#include "support/quiet_recorder_peers.h"
#include "support/scripted_message_box.h"
#include "support/temp_work_dir.h"

namespace kestrix::test {
namespace {

constexpr const char* kFlightId = "12345";
constexpr const char* kPilotNumber = "1234";
// Gate 1 of BIKF, where the script parks the aircraft.
constexpr double kGateLatitude = 63.99543;
constexpr double kGateLongitude = -22.62463;

int EnvironmentNumber(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value ? std::atoi(value) : fallback;
}

int FlightGearPort() { return EnvironmentNumber("KESTRIX_FLIGHTGEAR_PORT", 15401); }

// The test's own line to the props server, beside the program's: it does
// what the pilot would do in the simulator and looks at what FlightGear holds.
class PropsConsole {
 public:
  PropsConsole() {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(FlightGearPort()));
    timeval timeout{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) Send("data\r\n");
  }
  ~PropsConsole() { close(fd); }

  std::string Get(const std::string& path) {
    Send("get " + path + "\r\n");
    return ReadLine();
  }
  double Number(const std::string& path) { return std::atof(Get(path).c_str()); }
  // Each returns once FlightGear has carried the line out: it answers in order.
  void Set(const std::string& path, const std::string& value) { Do("set " + path + " " + value); }
  void Run(const std::string& command) { Do("run " + command); }


 private:
  void Do(const std::string& line) {
    Send(line + "\r\n");
    Get("/sim/version/flightgear");
  }
  void Send(const std::string& text) { (void)!send(fd, text.data(), text.size(), MSG_NOSIGNAL); }
  std::string ReadLine() {
    std::string line;
    char c = 0;
    while (recv(fd, &c, 1, 0) == 1 && c != '\n') line += c;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

  int fd = -1;
};

// A store with one flight and the stand-in airline that takes its live feed.
class RealFlightGearTest : public ::testing::Test {
 protected:
  explicit RealFlightGearTest(int freshMs = FlightGearOptions{}.freshMs)
      : link{MakeFlightGearTransport({.port = FlightGearPort(), .freshMs = freshMs})} {}

  void SetUp() override {
    ASSERT_TRUE(airline.Start());
    airline.State().AddPilot({"pilot", "secret", kPilotNumber, "Pat Pilot", false});
    SetDefaultHttpTimeouts({.connectMs = 2000, .sendMs = 2000, .receiveMs = 2000});
    InstallInternetStateProbe([] { return true; });
    Database db;
    db.CreateSchema();
    db.WritePilotInfo(PilotInfo{"pilot", "secret", kPilotNumber});
    std::vector<AvailableFlight> flights{AvailableFlight{"guid-1", "SCHED", kFlightId, "BIKF", "Keflavik", "BIRK",
                                                         "Reykjavik", "HAL", "123", "Halvorn", "C172", "", "", 0}};
    db.WriteAvailableFlights(flights, false);
    db.WriteServerVariables({{"maxGroundTime", "20"},
                             {"liveFeedUpdateTime", "5"},
                             {"flightPointsEnabledTest", "True"},
                             {"flightPointUploadSize", "500"},
                             {"flightPointHeadingTrigger", "15"},
                             {"flightPointAltitudeTrigger", "100"},
                             {"server", airline.Host()}});
    int result = -1;
    ASSERT_TRUE(link.Open(result)) << "no FlightGear on port " << FlightGearPort() << ", result " << result;
  }

  void TearDown() override {
    InstallInternetStateProbe(nullptr);
    SetDefaultHttpTimeouts({});
    airline.Stop();
  }

  void StartRecorder() {
    recorder.InitOnlineMode(true);
    ASSERT_TRUE(recorder.SetFlightId(kFlightId));
    recorder.StartFlightCommand();
    ASSERT_TRUE(recorder.FlightStarted());
  }

  bool ReportedLive() { return airline.State().LivePositions().count(kPilotNumber) == 1; }

  TempWorkDir workDir;
  ScriptedMessageBox boxes;
  airline::AirlineServer airline;
  SimLink link;
  QuietView view;
  LinkedFlightServer server;
  FlightRecorder recorder{view, link, server};
  PropsConsole console;
};

TEST_F(RealFlightGearTest, SamplesTheAircraftAtTheGate) {
  SimCheckFields checks;
  FlightRecord flight;
  int result = -1;
  ASSERT_TRUE(SampleSimulator(link, checks, flight, result)) << result;
  EXPECT_NEAR(flight.latitude, kGateLatitude, 0.002);
  EXPECT_NEAR(flight.longitude, kGateLongitude, 0.004);
  EXPECT_EQ(checks.onGround, 1);
  EXPECT_EQ(checks.paused, 0);
  EXPECT_EQ(checks.slewActive, 0);
  EXPECT_EQ(checks.simRate, 256);
  EXPECT_LT(flight.radioAltitude, 20);
  EXPECT_LT(flight.trueAirspeed, 5) << "standing still";

  int32_t fuel = 0;
  ASSERT_TRUE(ReadFuel(link, fuel, result)) << result;
  EXPECT_GT(fuel, 0);
  LiveFeedExtras extras;
  ASSERT_TRUE(ReadLiveFeedExtras(link, extras, result)) << result;
  EXPECT_EQ(extras.aircraftTitle, console.Get("/sim/description"));
  EXPECT_GE(extras.fuelCapacity, fuel);
}

// FlightGear changed through its console and ticked at once on a fake clock:
// every tick is to see the change, so none takes a snapshot from before it.
class RealFlightGearChangedTest : public RealFlightGearTest {
 protected:
  RealFlightGearChangedTest() : RealFlightGearTest(0) {}
};

// As with the stand-in: a paused or accelerated simulator records nothing and
// withdraws the live feed; back to normal, recording goes on with fresh clocks.
TEST_F(RealFlightGearChangedTest, PauseAndRateFollowTheRecordersRules) {
  ScopedFakeClock clock;
  auto ticks = [&](int count) {
    for (int i = 0; i < count; ++i) {
      clock->Advance(1000);
      ASSERT_EQ(recorder.Tick(), TickResult::GoOn);
    }
  };
  auto programPause = [&](uint16_t paused) {
    int result = -1;
    ASSERT_TRUE(link.Write(2, SimOffset::PauseControl, &paused, result));
    ASSERT_TRUE(link.Process(result)) << result;
  };
  const struct Case {
    const char* name;
    std::function<void(bool)> set;
    int status;
    const char* text;
  } cases[] = {
      // FlightGear's own pause (its P key) toggles.
      {"paused in FlightGear", [&](bool) { console.Run("pause"); }, RecorderStatus::Paused, "Flight Simulator paused."},
      {"paused by the program", programPause, RecorderStatus::Paused, "Flight Simulator paused."},
      {"2x in FlightGear", [&](bool on) { console.Set("/sim/speed-up", on ? "2" : "1"); }, RecorderStatus::TimeRate,
       "Time rate greater than 1x."},
  };
  StartRecorder();
  ticks(5);
  ASSERT_EQ(recorder.StatusState(), RecorderStatus::Recording);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ReportedLive());
    const int64_t recorded = recorder.TempFlight().recordedTime;
    const int64_t ground = recorder.TempFlight().groundTime;
    c.set(true);
    const double modelTime = console.Number("/fdm/jsbsim/simulation/sim-time-sec");
    ticks(10);
    if (c.status == RecorderStatus::Paused) {
      EXPECT_EQ(console.Number("/fdm/jsbsim/simulation/sim-time-sec"), modelTime) << "the flight model stopped";
    }
    EXPECT_EQ(recorder.StatusState(), c.status);
    EXPECT_EQ(recorder.StatusText(), c.text);
    EXPECT_EQ(recorder.TempFlight().recordedTime, recorded);
    EXPECT_EQ(recorder.TempFlight().groundTime, ground);
    EXPECT_FALSE(ReportedLive()) << "the offline notice withdrew the feed";

    c.set(false);
    ticks(1);
    EXPECT_EQ(recorder.StatusState(), RecorderStatus::Recording);
    EXPECT_EQ(recorder.TempFlight().recordedTime, recorded) << "fresh clocks at the first normal tick";
    ticks(5);
    EXPECT_EQ(recorder.TempFlight().recordedTime, recorded + 5);
  }
  EXPECT_EQ(console.Get("/sim/freeze/master"), "false");
  EXPECT_EQ(console.Number("/sim/speed-up"), 1);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// The resume dialog's placement puts the aircraft in the air, paused; with
// the engine running and the simulator unpaused it flies on, recorded once a
// second and reported live to the airline.
TEST_F(RealFlightGearTest, PlacedAircraftFliesRecordedAndReportedLive) {
  FlightRecord last;
  last.lastLatitude = 64.1;  // over the bay north of the airport
  last.lastLongitude = -22.7;
  last.altitude = 6000;
  last.heading = 360;
  last.trueAirspeed = 100;
  ASSERT_TRUE(PlaceAircraftAt(nullptr, link, last)) << ::testing::PrintToString(boxes.Texts());
  EXPECT_EQ(console.Get("/sim/freeze/master"), "true");
  EXPECT_EQ(console.Get("/sim/freeze/clock"), "true");

  // The flight model takes the new place and speed when it runs again.
  console.Set("/controls/engines/engine/magnetos", "3");
  console.Set("/controls/engines/engine/mixture", "1");
  console.Set("/controls/engines/engine/throttle", "0.8");
  console.Set("/fdm/jsbsim/propulsion/set-running", "-1");
  const uint16_t unpause = 0;
  int result = -1;
  ASSERT_TRUE(link.Write(2, SimOffset::PauseControl, &unpause, result));
  ASSERT_TRUE(link.Process(result)) << result;
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const double variation = console.Number("/environment/magnetic-variation-deg");
  EXPECT_NEAR(console.Number("/position/latitude-deg"), 64.1, 0.005);
  EXPECT_NEAR(console.Number("/position/longitude-deg"), -22.7, 0.01);
  EXPECT_NEAR(console.Number("/position/altitude-ft"), 6000, 200);
  EXPECT_NEAR(std::remainder(console.Number("/orientation/heading-deg") - (360 + variation), 360), 0, 5);
  EXPECT_NEAR(console.Number("/fdm/jsbsim/velocities/vtrue-kts"), 100, 15);
  EXPECT_EQ(console.Get("/gear/gear/wow"), "false");

  const int seconds = EnvironmentNumber("KESTRIX_FLIGHTGEAR_SECONDS", 180);
  StartRecorder();
  std::vector<double> ticksUs;
  auto next = std::chrono::steady_clock::now();
  for (int tick = 0; tick < seconds; ++tick) {
    next += std::chrono::seconds(1);
    std::this_thread::sleep_until(next);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(recorder.Tick(), TickResult::GoOn) << "tick " << tick;
    ticksUs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
  }
  std::printf("flightgear.tick_us.median: %.1f\n", Median(ticksUs));
  std::printf("flightgear.flight: %d s recorded, %zu points, altitude %d ft, %d kt\n",
              static_cast<int>(recorder.TempFlight().recordedTime), recorder.Collector().Points().size(),
              recorder.TempFlight().altitude, recorder.TempFlight().trueAirspeed);

  EXPECT_EQ(recorder.StatusState(), RecorderStatus::Recording);
  EXPECT_EQ(recorder.TempFlight().flightPhase, 1) << "airborne all along";
  EXPECT_GE(recorder.TempFlight().recordedTime, seconds - 2);
  ASSERT_FALSE(recorder.Collector().Points().empty());
  EXPECT_NEAR(recorder.Collector().Points().front().latitude, 64.1, 0.02);
  const auto live = airline.State().LivePositions();
  ASSERT_EQ(live.count(kPilotNumber), 1u) << "the live feed reached the airline";
  EXPECT_EQ(live.at(kPilotNumber).Field(airline::LiveField::FlightKey), std::string("SCHED///") + kFlightId);
  EXPECT_EQ(live.at(kPilotNumber).Field(airline::LiveField::Aircraft), console.Get("/sim/description"));
  EXPECT_GT(std::atoi(live.at(kPilotNumber).Field(airline::LiveField::Altitude).c_str()), 1000);
}

}  // namespace
}  // namespace kestrix::test
