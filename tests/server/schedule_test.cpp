#include "server/schedule.h"

#include <cstdlib>
#include <ctime>
#include <set>

#include "airline/schedule_generator.h"
#include "airline_fixture.h"
#include "literal_schedule_parser.h"
#include "recording_progress.h"
#include "support/fake_clock.h"

namespace kestrix {
namespace {

using airline::Fault;
using airline::FaultKind;
using airline::Route;

std::vector<AvailableFlight> WithoutLocalIds(std::vector<AvailableFlight> flights) {
  for (auto& flight : flights) flight.localId.clear();
  return flights;
}

TEST(ScheduleParse, AgreesWithThePlainLoop) {
  std::vector<std::string> replies = {
      "type=A#fltid=1$type=B#fltid=2$",
      "type=A#acftt=B738#effdate=20190101$trailing=text",
      "depNm=O&apos;Hare#arrNm=&amp;lt;x&gt;#airlineNm=A &amp; B$",
      "$$#$=#=$type$type=A#type=B#fltid#fltid=$",
      "fltid=1#unknown=9#Type=x#expDt=1/15/2019#fn=12#dep=KORD#arr=KLAX#airlineIcao=HAL$",
      "no dollar at all",
      "",
  };
  replies.push_back(airline::FormatSchedule(airline::GenerateSchedule(7, 500)));
  for (const auto& reply : replies) {
    SCOPED_TRACE(reply.substr(0, 80));
    std::vector<AvailableFlight> ours;
    std::vector<AvailableFlight> literal;
    EXPECT_EQ(ParseSchedule(reply, ours), oracle::LiteralParseSchedule(reply, literal));
    EXPECT_EQ(WithoutLocalIds(ours), WithoutLocalIds(literal));
    std::set<std::string> ids;
    for (const auto& flight : ours) ids.insert(flight.localId);
    EXPECT_EQ(ids.size(), ours.size());
  }
}

TEST(ScheduleParse, RecordsGetDefaultsAndDecodedNames) {
  std::vector<AvailableFlight> flights;
  ASSERT_EQ(ParseSchedule("type=A#fltid=1$type=B#fltid=2#acftt=B738#depNm=O&apos;Hare$junk", flights), 2u);
  EXPECT_EQ(flights[0].type, "A");
  EXPECT_EQ(flights[0].aircraftType, "==");
  EXPECT_EQ(flights[0].effectiveDate, "0");
  EXPECT_EQ(flights[1].flightId, "2");
  EXPECT_EQ(flights[1].aircraftType, "B738");
  EXPECT_EQ(flights[1].departureName, "O'Hare");
  EXPECT_EQ(flights[1].status, 0);
  EXPECT_TRUE(IsGuidString(flights[1].localId));
}

class Schedule : public test::AirlineFixture {
 protected:
  std::vector<AvailableFlight> Flights() {
    AvailableFlight a;
    a.type = "SCH";
    a.flightId = "501";
    a.departure = "KORD";
    a.departureName = "O&apos;Hare";
    a.arrival = "KLAX";
    a.arrivalName = "Los Angeles";
    a.airlineIcao = "HAL";
    a.flightNumber = "HV501";
    a.airlineName = "A&amp;B Air";
    a.aircraftType = "B738";
    a.effectiveDate = "20260101";
    a.expiryDate = "12/31/2027";
    AvailableFlight b = a;
    b.type = "SPL";
    b.flightId = "502";
    b.aircraftType = "";
    b.effectiveDate = "";
    return {a, b};
  }
};

TEST_F(Schedule, DownloadsTheFlightsWithProgress) {
  airline.State().SetSchedule(kUser, Flights());
  test::ScopedProgressLog progress;
  ServerLink link;
  std::vector<AvailableFlight> flights(1);
  ASSERT_EQ(DownloadSchedule(link, kUser, kPassword, flights), 2);
  ASSERT_EQ(flights.size(), 3u);
  EXPECT_EQ(flights[1].flightId, "501");
  EXPECT_EQ(flights[1].departureName, "O'Hare");
  EXPECT_EQ(flights[1].airlineName, "A&B Air");
  EXPECT_EQ(flights[1].aircraftType, "B738");
  EXPECT_EQ(flights[2].aircraftType, "==");
  EXPECT_EQ(flights[2].effectiveDate, "0");
  EXPECT_EQ(progress->stepSize, 20);
  EXPECT_EQ(progress->steps, 4);
  EXPECT_EQ(progress->closed, 1);
  EXPECT_EQ(progress->texts,
            std::vector<std::string>{"Retrieving flights from server.\n(this process could take a couple of minutes)"});
  EXPECT_EQ(link.progress, nullptr);
  const auto requests = RequestsTo(Route::Schedule);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].values, (std::vector<std::string>{kUser, kPassword, "203999"}));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Schedule, MissingLogInSendsNothing) {
  ServerLink link;
  std::vector<AvailableFlight> flights;
  EXPECT_EQ(DownloadSchedule(link, "", kPassword, flights), 0);
  EXPECT_EQ(DownloadSchedule(link, kUser, "", flights), 0);
  EXPECT_TRUE(airline.State().Requests().empty());
}

TEST_F(Schedule, ServerRefusalsAndEmptyPages) {
  test::ScopedProgressLog progress;
  ServerLink link;
  std::vector<AvailableFlight> flights(2);

  airline.Faults().Set(Route::Schedule, test::MakeFault(FaultKind::Empty, "", 0, 1));
  EXPECT_EQ(DownloadSchedule(link, kUser, kPassword, flights), 0);
  EXPECT_EQ(flights.size(), 2u);
  EXPECT_TRUE(boxes.Shown().empty());

  airline.Faults().Set(Route::Schedule, test::MakeFault(FaultKind::Error, "Account suspended.", 0, 1));
  EXPECT_EQ(DownloadSchedule(link, kUser, kPassword, flights), -2);
  EXPECT_TRUE(flights.empty());
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Account suspended."});
  EXPECT_EQ(progress->closed, 2);
  EXPECT_EQ(link.progress, nullptr);
}

TEST_F(Schedule, SilentServerTimesOut) {
  SetDefaultHttpTimeouts({.connectMs = 2000, .sendMs = 200, .receiveMs = 200});
  airline.Faults().Set(Route::Schedule, test::MakeFault(FaultKind::Silent, "", 5000));
  test::ScopedProgressLog progress;
  ServerLink link;
  std::vector<AvailableFlight> flights;
  EXPECT_EQ(DownloadSchedule(link, kUser, kPassword, flights), -1);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"The connection to the server timed out.\nPlease retry."});
  EXPECT_GE(progress->closed, 1);
  EXPECT_EQ(link.progress, nullptr);
}

// 2019-01-15 00:00:00 UTC.
constexpr int64_t kJanuary15 = 1'547'510'400;

TEST(ScheduleExpiry, FromOneMinutePastMidnightLocalTime) {
  setenv("TZ", "UTC", 1);
  tzset();
  const struct {
    const char* date;
    int64_t now;
    bool expired;
  } cases[] = {
      {"1/15/2019", kJanuary15 + 59, false},
      {"1/15/2019", kJanuary15 + 60, true},
      {"1/15/2019", kJanuary15 - 3600, false},
      {"1/15/2019", kJanuary15 + 86400 * 400, true},
      {"01/15/2019x", kJanuary15 + 60, true},
      {"1/15", kJanuary15 + 86400 * 400, false},
      {"1/15/2019/x", kJanuary15 + 86400 * 400, false},
      {"", kJanuary15, false},
      {"12/31/2099", kJanuary15, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.date);
    test::ScopedFakeClock clock(c.now);
    EXPECT_EQ(IsDateExpired(c.date), c.expired);
  }
}

}  // namespace
}  // namespace kestrix
