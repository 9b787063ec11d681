#include "airline/schedule_generator.h"

#include <gtest/gtest.h>

#include <set>

#include "protocol/reply_format.h"

namespace kestrix::airline {
namespace {

TEST(Schedule, SameSeedSameFlightsAndEveryFormTheProgramMeets) {
  const auto flights = GenerateSchedule(1234, 400);
  ASSERT_EQ(flights.size(), 400u);
  EXPECT_EQ(flights, GenerateSchedule(1234, 400));
  EXPECT_NE(flights, GenerateSchedule(7, 400));

  std::set<std::string> types, ids;
  int guidIds = 0, noAircraft = 0, noEffective = 0, oneSlash = 0, noExpiry = 0, encodedNames = 0;
  for (const auto& f : flights) {
    types.insert(f.type);
    ids.insert(f.flightId);
    guidIds += IsGuidString(f.flightId);
    noAircraft += f.aircraftType.empty();
    noEffective += f.effectiveDate.empty();
    noExpiry += f.expiryDate.empty();
    oneSlash += std::count(f.expiryDate.begin(), f.expiryDate.end(), '/') == 1;
    encodedNames += DecodeEntities(f.departureName) != f.departureName || DecodeEntities(f.airlineName) != f.airlineName;
    EXPECT_NE(f.departure, f.arrival);
  }
  EXPECT_EQ(ids.size(), flights.size()) << "flight ids must be unique";
  EXPECT_EQ(types, (std::set<std::string>{"SCH", "SPL", "GA", "BID", "HVH"}));
  for (int count : {guidIds, noAircraft, noEffective, oneSlash, noExpiry, encodedNames}) EXPECT_GT(count, 0);
}

TEST(Schedule, RecordsSplitCleanlyAndLeaveOutEmptyOptionalKeys) {
  std::vector<AvailableFlight> flights(2);
  flights[0] = {.localId = "", .type = "SCH", .flightId = "1", .departure = "KORD", .departureName = "O&apos;Hare",
                .arrival = "KJFK", .arrivalName = "JFK", .airlineIcao = "HLV", .flightNumber = "12",
                .airlineName = "A &amp; B", .aircraftType = "B738", .effectiveDate = "0", .expiryDate = "1/2/2035"};
  flights[1] = flights[0];
  flights[1].flightId = "2";
  flights[1].aircraftType.clear();
  flights[1].effectiveDate.clear();
  EXPECT_EQ(FormatSchedule(flights),
            "type=SCH#fltid=1#dep=KORD#depNm=O&apos;Hare#arr=KJFK#arrNm=JFK#airlineIcao=HLV#fn=12#"
            "airlineNm=A &amp; B#acftt=B738#effdate=0#expDt=1/2/2035$"
            "type=SCH#fltid=2#dep=KORD#depNm=O&apos;Hare#arr=KJFK#arrNm=JFK#airlineIcao=HLV#fn=12#"
            "airlineNm=A &amp; B#expDt=1/2/2035$");

  // Generated names never carry the record's own separators.
  for (const auto& f : GenerateSchedule(3, 300)) {
    for (const auto& text : {f.departureName, f.arrivalName, f.airlineName, f.flightId, f.expiryDate})
      EXPECT_EQ(text.find_first_of("#$="), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace kestrix::airline
