#include <fstream>

#include "airline_fixture.h"
#include "server/filing.h"
#include "server/flight_plan.h"
#include "server/live_feed.h"

namespace kestrix {
namespace {

using airline::Fault;
using airline::FaultKind;
using airline::LiveField;
using airline::Route;

LiveFeedRecord Position() {
  LiveFeedRecord record;
  record.pilotNumber = 1234;
  record.flightKey = "SCH///501";
  record.altitude = 35000;
  record.heading = 360;
  record.trueAirspeed = 450;
  record.groundSpeed = 470;
  record.departure = "KORD";
  record.arrival = "KLAX";
  record.latitude = 41.97861234;
  record.longitude = -87.9048;
  record.aircraft = "B738";
  record.minutesFlown = 95;
  record.reportTime = 1'800'000'000;
  record.flightNumber = "HV501";
  record.airline = "HAL";
  record.fuelRemaining = 12000;
  record.fuelCapacity = 46000;
  record.fuelUsed = 8000;
  record.outsideAirTemp = -40;
  record.wind = "270\xB0 @ 15kts";
  record.landingRate = -123.5;
  return record;
}

TEST(LiveFeedValues, TravelInWireOrder) {
  EXPECT_EQ(LiveFeedValues(Position(), true),
            "1234%23SCH///501%2335000%23360%23450%23KORD%23KLAX%2341.9786%23-87.9048%23B738%2395%231800000000%23"
            "HV501%23HAL%2312000%2346000%23-40%238000%23-123.5%23470%23270\xB0 @ 15kts");
  EXPECT_EQ(LiveFeedValues(OfflineNotice(1234), false), "1234%23DELETE");
}

class LiveFeed : public test::AirlineFixture {};

TEST_F(LiveFeed, PositionReachesTheServerAndTheNoticeClearsIt) {
  ServerLink link;
  ASSERT_TRUE(SendLiveReport(link, Position(), true));
  const auto live = airline.State().LivePositions();
  ASSERT_EQ(live.count(kPilotNumber), 1u);
  EXPECT_EQ(live.at(kPilotNumber).Field(LiveField::GroundSpeed), "470");
  EXPECT_EQ(live.at(kPilotNumber).Field(LiveField::Heading), "360");
  EXPECT_NE(RequestsTo(Route::LiveReport)[0].target.find("270%B0%20@%2015kts"), std::string::npos);

  EXPECT_TRUE(SendLiveReport(link, OfflineNotice(1234), false));
  EXPECT_TRUE(airline.State().LivePositions().empty());
}

TEST_F(LiveFeed, FailsSilently) {
  ServerLink link;
  InstallInternetStateProbe([] { return false; });
  EXPECT_FALSE(SendLiveReport(link, Position(), true));
  EXPECT_TRUE(airline.State().Requests().empty());
  InstallInternetStateProbe([] { return true; });

  for (FaultKind kind : {FaultKind::Error, FaultKind::Empty, FaultKind::NotFound}) {
    airline.Faults().Set(Route::LiveReport, test::MakeFault(kind, "", 0, 1));
    EXPECT_FALSE(SendLiveReport(link, Position(), true));
  }
  airline.Stop();
  EXPECT_FALSE(SendLiveReport(link, Position(), true));
  EXPECT_TRUE(boxes.Shown().empty());
}

class FlightPlan : public test::AirlineFixture {
 protected:
  std::string WritePlan(const std::string& text) {
    const std::string path = (workDir.Path() / "route.pln").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
};

TEST(FlightPlanText, IsPreparedForTheQuery) {
  EXPECT_EQ(PrepareFlightPlanText("DCT WPT1 'X'+1\n"), "DCT!WPT1!^X^_1$");
  EXPECT_EQ(PrepareFlightPlanText("a&amp;b\r\rc"), "a&b$$c");
}

TEST_F(FlightPlan, GoesUpInChunksCountingDown) {
  for (size_t length : {1600u, 1601u, 5u}) {
    SCOPED_TRACE(length);
    std::string text(length, 'A');
    text[length - 1] = 'Z';
    ServerLink link;
    ASSERT_TRUE(UploadFlightPlan(link, kPilotNumber, "501", WritePlan(text)));
    const auto plans = airline.State().FlightPlans();
    ASSERT_FALSE(plans.empty());
    const auto& plan = plans.back();
    EXPECT_TRUE(plan.complete);
    EXPECT_EQ(plan.text, text);
    EXPECT_EQ(plan.fileName, "route.pln");
    std::vector<int> expected;
    for (size_t left = (length + 799) / 800; left-- > 0;) expected.push_back(static_cast<int>(left));
    EXPECT_EQ(plan.chunksToCome, expected);
  }
  // The first chunk of each upload carries no temporary name, the others the previous reply's.
  const auto requests = RequestsTo(Route::FlightPlan);
  ASSERT_EQ(requests.size(), 6u);
  EXPECT_EQ(requests[0].target.find("&tfn="), std::string::npos);
  EXPECT_NE(requests[1].target.find("?ch=0&tfn=fp"), std::string::npos) << requests[1].target;
  EXPECT_NE(requests[1].target.find("&pn=1234&fi=501&fpn=route.pln&fp="), std::string::npos);
  EXPECT_EQ(requests[2].target.find("&tfn="), std::string::npos);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FlightPlan, LineEndsAreReadAsText) {
  ServerLink link;
  ASSERT_TRUE(UploadFlightPlan(link, kPilotNumber, "501", WritePlan("KORD DCT\r\nKLAX\r\n")));
  EXPECT_EQ(airline.State().FlightPlans().back().text, "KORD!DCT$KLAX$");
}

TEST_F(FlightPlan, MissingOrEmptyFileSendsNothing) {
  ServerLink link;
  EXPECT_TRUE(UploadFlightPlan(link, kPilotNumber, "501", (workDir.Path() / "none.pln").string()));
  EXPECT_TRUE(UploadFlightPlan(link, kPilotNumber, "501", WritePlan("")));
  EXPECT_TRUE(airline.State().Requests().empty());
}

TEST_F(FlightPlan, AFailedChunkEndsTheUploadAndIsReportedOnce) {
  const struct {
    const char* name;
    Fault fault;
    const char* message;
    size_t requests;
  } cases[] = {
      {"first chunk refused", test::MakeFault(FaultKind::Error, "Disk full.", 0, 1), "Disk full.", 1},
      {"every chunk empty", test::MakeFault(FaultKind::Empty), "The server returned an empty page.", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    airline.Faults().Set(Route::FlightPlan, c.fault);
    ServerLink link;
    EXPECT_FALSE(UploadFlightPlan(link, kPilotNumber, "501", WritePlan(std::string(1700, 'x'))));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, c.message);
    EXPECT_EQ(boxes.Shown()[0].caption, "Upload Flight Plan");
    EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Information);
    EXPECT_EQ(boxes.Shown()[0].owner, nullptr);
    EXPECT_EQ(RequestsTo(Route::FlightPlan).size(), c.requests);
    airline.State().ClearRequests();
    airline.Faults().ClearAll();
    boxes.Clear();
  }
}

class Removal : public test::AirlineFixture {};

TEST_F(Removal, RemovesTheReportOrSaysWhyNot) {
  std::vector<std::string> values(airline::kReportValueCount);
  values[0] = kPilotNumber;
  values[2] = "local-1";
  const std::string key = airline.State().AddReport(values);
  ServerLink link;
  std::string message;
  EXPECT_TRUE(RemoveFlightFromServer(link, key, "501", message));
  EXPECT_EQ(message, "TRUE");
  EXPECT_EQ(RequestsTo(Route::RemoveFlight)[0].values, (std::vector<std::string>{key, "501"}));
  EXPECT_FALSE(RemoveFlightFromServer(link, key, "501", message));
  EXPECT_EQ(message, "Record not found.");
  EXPECT_TRUE(airline.State().Reports().empty());
}

}  // namespace
}  // namespace kestrix
