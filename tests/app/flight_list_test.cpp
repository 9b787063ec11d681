#include "app/flight_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "support/fake_clock.h"

namespace kestrix {
namespace {

using namespace FlightStatus;
using namespace FlightMenu;

// 2019-03-05 12:30:00 UTC.
constexpr int64_t kMarchFifthHalfPastNoon = 1551789000;

AvailableFlight Flight(const std::string& type, int32_t status = 0, const std::string& expiry = "N/A") {
  AvailableFlight flight;
  flight.type = type;
  flight.flightId = "F" + std::to_string(status) + type;
  flight.departure = "KORD";
  flight.arrival = "KLAX";
  flight.airlineIcao = "XY";
  flight.flightNumber = "123";
  flight.airlineName = "Halvorn Air";
  flight.aircraftType = "B738";
  flight.effectiveDate = "0";
  flight.expiryDate = expiry;
  flight.status = status;
  return flight;
}

using Texts = std::vector<std::vector<std::string>>;

Texts TextsOf(const ListRows& rows) {
  Texts texts(rows.Size());
  for (size_t row = 0; row < rows.Size(); ++row)
    for (size_t column = 0; column < rows.Columns(); ++column) texts[row].emplace_back(rows.Cell(row, column));
  return texts;
}

// Runs the month/day/year test in a time zone of its own for the test's lifetime.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) saved = previous;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (saved.empty())
      unsetenv("TZ");
    else
      setenv("TZ", saved.c_str(), 1);
    tzset();
  }

 private:
  std::string saved;
};

TEST(FlightList, HvhExpiryIsAUtcTwelveHourTime) {
  struct Case {
    const char* text;
    int64_t expiresAt;  // 0: never
  };
  const Case cases[] = {
      {"3/5/2019 12:30:00 PM", kMarchFifthHalfPastNoon},
      {"3/5/2019 12:30:00 AM", kMarchFifthHalfPastNoon - 12 * 3600},
      {"3/5/2019 1:05:09 PM", kMarchFifthHalfPastNoon + 35 * 60 + 9},
      {"03/05/2019 11:59:59 AM", kMarchFifthHalfPastNoon - 31 * 60 + 59},
      {"3/5/2019 12:30:00PM", 0},     // no space before PM
      {"3/5/2019 12:30 PM", 0},       // one ":"
      {"3/5/2019-12:30:00 PM", 0},    // no space after the year
      {"3/5 2019 12:30:00 PM", 0},    // one "/"
      {"3/5/2019", 0},
      {"", 0},
  };
  for (const Case& c : cases) {
    if (c.expiresAt == 0) {
      EXPECT_FALSE(IsUtcTimeExpired(c.text, 4'000'000'000)) << c.text;
      continue;
    }
    EXPECT_FALSE(IsUtcTimeExpired(c.text, c.expiresAt - 1)) << c.text;
    EXPECT_TRUE(IsUtcTimeExpired(c.text, c.expiresAt)) << c.text;
  }
}

TEST(FlightList, ExpiryByFlightType) {
  ScopedTimeZone utc("UTC");
  // 2019-01-15 00:01:00 UTC: the first minute of the day has passed.
  constexpr int64_t kJanuaryFifteenth = 1547510460;
  test::ScopedFakeClock clock(kJanuaryFifteenth);
  for (const char* type : {"BID", "SPL", "GA"}) {
    EXPECT_TRUE(IsFlightExpired(Flight(type, 0, "1/15/2019"), kJanuaryFifteenth)) << type;
    EXPECT_FALSE(IsFlightExpired(Flight(type, 0, "1/16/2019"), kJanuaryFifteenth)) << type;
    EXPECT_FALSE(IsFlightExpired(Flight(type, 0, "1/15"), kJanuaryFifteenth)) << type;
    EXPECT_FALSE(IsFlightExpired(Flight(type, 0, "1/15/2019/x"), kJanuaryFifteenth)) << type;
  }
  EXPECT_TRUE(IsFlightExpired(Flight("HVH", 0, "1/14/2019 11:00:00 PM"), kJanuaryFifteenth));
  EXPECT_FALSE(IsFlightExpired(Flight("HVH", 0, "1/15/2019 12:02:00 AM"), kJanuaryFifteenth));
  // A month/day/year date means nothing to the other types.
  EXPECT_FALSE(IsFlightExpired(Flight("SCH", 0, "1/1/2000"), kJanuaryFifteenth));
  EXPECT_FALSE(IsFlightExpired(Flight("HVH", 0, "1/1/2000"), kJanuaryFifteenth));
  EXPECT_FALSE(IsFlightExpired(Flight("XYZ", 0, "1/1/2000 1:00:00 AM"), kJanuaryFifteenth));

  clock->Advance(-60'000);
  EXPECT_FALSE(IsFlightExpired(Flight("BID", 0, "1/15/2019"), kJanuaryFifteenth - 60));
}

TEST(FlightList, RowsOfTheListedFlights) {
  constexpr int64_t kNow = 1'800'000'000;
  test::ScopedFakeClock clock(kNow);
  std::vector<AvailableFlight> flights = {
      Flight("SCH"), Flight("SCH", StatusInProgress), Flight("BID", StatusRefuelingStop, "1/1/2000"),
      Flight("HVH", StatusInProgress | StatusRefuelingStop, "1/1/2000 1:00:00 AM"),
      Flight("SPL", StatusCompleted), Flight("GA", StatusRemoved), Flight("SCH", StatusCompleted | StatusFiled),
      Flight("GA"),   // in effect from now on
      Flight("XYZ"),  // not yet in effect
  };
  flights[0].flightNumber = "XY987";
  flights[1].aircraftType = "--";
  flights[7].effectiveDate = std::to_string(kNow);
  flights[8].effectiveDate = std::to_string(kNow + 1);

  const Texts expected = {
      {"F0SCH", "XY987", "KORD - KLAX", "Halvorn Air", "B738", "SCH", "N/A"},
      {"F2SCH", "XY123", "KORD - KLAX (*)", "Halvorn Air", "", "SCH", "N/A"},
      {"F4BID", "XY123", "KORD - KLAX (R)", "Halvorn Air", "B738", "BID", "Expired"},
      {"F6HVH", "XY123", "KORD - KLAX (*R)", "Halvorn Air", "B738", "HVH", "Expired"},
      {"F0GA", "XY123", "KORD - KLAX", "Halvorn Air", "B738", "GA", "N/A"},
  };
  EXPECT_EQ(TextsOf(FlightListRows(flights, kNow)), expected);
}

TEST(FlightList, FileMenuCountsTheCompletedFlights) {
  std::vector<AvailableFlight> flights = {Flight("SCH", StatusCompleted), Flight("BID", StatusInProgress),
                                          Flight("GA", StatusCompleted | StatusRefuelingStop)};
  EXPECT_EQ(CountCompleted(flights), 2);
  EXPECT_EQ(FileReportsMenuText(2), "File Flight Reports (2)...");
  EXPECT_EQ(FileReportsMenuText(0), "File Flight Reports...");
  EXPECT_EQ(CountCompleted({}), 0);
}

TEST(FlightList, ContextMenuPruning) {
  struct Case {
    int32_t status;
    bool online;
    std::vector<int> items;
  };
  const Case cases[] = {
      {0, true, {ViewTicket}},
      {0, false, {}},
      {StatusInProgress, true, {ViewTicket, TicketSeparator, RefuelingStop, Complete, DeleteSeparator, DeleteFlight}},
      {StatusInProgress, false, {RefuelingStop, Complete, DeleteSeparator, DeleteFlight}},
      {StatusRefuelingStop, true, {ViewTicket, TicketSeparator, Complete, DeleteSeparator, DeleteFlight}},
      {StatusInProgress | StatusRefuelingStop, false, {Complete, DeleteSeparator, DeleteFlight}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FlightMenuItems(c.status, c.online), c.items) << "status " << c.status << " online " << c.online;
  EXPECT_EQ(ReportMenuItems(), (std::vector<int>{ViewTicket, TicketSeparator, RefuelingStop, DeleteSeparator,
                                                 DeleteFlight}));
}

TEST(FlightList, ReportRowsCountLegsAndAddTheirMinutes) {
  std::vector<AvailableFlight> flights = {Flight("SCH", StatusCompleted), Flight("BID", StatusCompleted),
                                          Flight("GA", StatusCompleted | StatusFiled | StatusRemoved),
                                          Flight("SPL", StatusRefuelingStop)};
  flights[1].flightNumber = "HV77";
  auto leg = [](const std::string& flightId, int minutes) {
    FlightRecord record;
    record.flightId = flightId;
    record.flightMinutes = minutes;
    return record;
  };
  const std::vector<FlightRecord> reports = {leg("F1SCH", 60), leg("F4SPL", 10), leg("F1SCH", 90),
                                             leg("F1BID", 45), leg("F1SCH", 45)};
  const Texts expected = {
      {"F1SCH", "XY123", "KORD - KLAX (3 legs)", "195 minutes"},
      {"F1BID", "HV77", "KORD - KLAX", "45 minutes"},
  };
  EXPECT_EQ(TextsOf(ReportListRows(flights, reports)), expected);

  // The dialog's buffers hold 99 characters of a route.
  flights[1].departure = std::string(120, 'D');
  EXPECT_EQ(ReportListRows(flights, reports).Cell(1, ReportColumn::Route).size(), 99u);
}

TEST(FlightList, RowsStayInPlaceAroundARemovedOne) {
  ListRows rows(2);
  rows.Add({"a", ""});
  rows.Add({"bb", "ccc"});
  rows.Add({"", "d"});
  rows.Remove(1);
  EXPECT_EQ(TextsOf(rows), (Texts{{"a", ""}, {"", "d"}}));
  rows.Remove(0);
  rows.Add({"e", "f"});
  EXPECT_EQ(TextsOf(rows), (Texts{{"", "d"}, {"e", "f"}}));
}

TEST(FlightList, PilotNumberMustReadAsANumber) {
  EXPECT_TRUE(PilotNumberSet({"u", "p", "1234"}));
  EXPECT_FALSE(PilotNumberSet({"u", "p", ""}));
  EXPECT_FALSE(PilotNumberSet({"u", "p", "0"}));
  EXPECT_FALSE(PilotNumberSet({"u", "p", "HV12"}));
}

}  // namespace
}  // namespace kestrix
