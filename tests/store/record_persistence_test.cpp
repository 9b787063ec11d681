#include <gtest/gtest.h>

#include <climits>

#include "store/database.h"
#include "store_fixture.h"

namespace kestrix {
namespace {

using test::RawDb;

class PersistenceTest : public test::StoreTest {};

TEST_F(PersistenceTest, ReportsKeepTheirOwnPointsInOrder) {
  Database db;
  ASSERT_TRUE(db.WriteFlightReport(Report("100", 2)));
  ASSERT_TRUE(db.WriteFlightReport(Report("101", 3)));
  ASSERT_TRUE(db.WriteFlightReport(Report("102", 0)));

  std::vector<FlightRecord> reports;
  ASSERT_EQ(db.ReadFlightReports(reports, true), 3);
  for (size_t i = 0; i < 3; ++i) {
    FlightRecord expected = Report(reports[i].flightId, i == 0 ? 2 : i == 1 ? 3 : 0);
    EXPECT_EQ(reports[i], expected) << i;
  }
  EXPECT_EQ(reports[0].flightId, "100");
  EXPECT_EQ(reports[2].flightId, "102");

  RawDb raw;
  EXPECT_EQ(raw.Number("select length(flight_points) from pirep_data where flight_id = '101'"), 72);
  EXPECT_EQ(raw.Number("select length(flight_points) from pirep_data where flight_id = '102'"), 0);

  ASSERT_EQ(db.ReadFlightReports(reports, false), 3);
  for (const auto& r : reports) EXPECT_TRUE(r.points.empty());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(PersistenceTest, TempFlightRoundTripsItsStoredFieldsAndIsReplacedPerFlight) {
  FlightRecord saved = Report("7", 4);
  saved.startTime = 4'102'444'800;  // 2100-01-01: past the 32-bit range
  saved.recordedTime = 5'000'000'123;
  saved.groundTime = -7;
  saved.fuelUsed = 123456;
  saved.flightPhase = FlightPhase::Airborne;
  saved.altitude = 35000;
  saved.heading = 360;
  saved.trueAirspeed = 450;
  saved.currentFuel = 9000;
  saved.savedTime = 0;  // not part of the temporary flight
  Database db;
  ASSERT_TRUE(db.WriteTempFlight(Report("7", 1)));
  ASSERT_TRUE(db.WriteTempFlight(saved));
  ASSERT_TRUE(db.WriteTempFlight(Report("8")));

  std::vector<std::string> ids;
  ASSERT_TRUE(db.ReadTempFlightIds(ids));
  EXPECT_EQ(ids, (std::vector<std::string>{"7", "8"}));

  FlightRecord read;
  ASSERT_TRUE(db.ReadTempFlight("7", read, true, false));
  EXPECT_EQ(read, saved);

  FlightRecord keepPlan;
  keepPlan.flightPlanFile = "mine.pln";
  ASSERT_TRUE(db.ReadTempFlight("7", keepPlan, false, true));
  EXPECT_EQ(keepPlan.flightPlanFile, "mine.pln");
  EXPECT_TRUE(keepPlan.points.empty());
  EXPECT_EQ(keepPlan.recordedTime, saved.recordedTime);

  FlightRecord missing;
  missing.altitude = 99;
  EXPECT_TRUE(db.ReadTempFlight("nope", missing, true, false));
  EXPECT_EQ(missing.altitude, 99);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(PersistenceTest, WritingAReportRemovesOnlyTheTempFlightOfItsFlight) {
  Database db;
  db.WriteTempFlight(Report("1", 1));
  db.WriteTempFlight(Report("2", 1));
  ASSERT_TRUE(db.WriteFlightReport(Report("1", 3)));
  std::vector<std::string> ids;
  db.ReadTempFlightIds(ids);
  EXPECT_EQ(ids, std::vector<std::string>{"2"});
}

// Rows whose point count and blob disagree read only whole points that exist.
TEST_F(PersistenceTest, DamagedPointCountsReadOnlyWhatTheBlobHolds) {
  Database db;
  db.WriteFlightReport(Report("1", 3));
  db.WriteTempFlight(Report("2", 3));
  RawDb raw;
  ASSERT_TRUE(raw.Exec("update pirep_data set point_count = 1000"));
  ASSERT_TRUE(raw.Exec("update temp_flight_data set point_count = 2147483647, flight_points = substr(flight_points, 1, 50)"));

  std::vector<FlightRecord> reports;
  ASSERT_EQ(db.ReadFlightReports(reports, true), 1);
  EXPECT_EQ(reports[0].points, Points(3));
  FlightRecord temp;
  db.ReadTempFlight("2", temp, true, false);
  EXPECT_EQ(temp.points, Points(2));

  ASSERT_TRUE(raw.Exec("update pirep_data set point_count = 2"));
  db.ReadFlightReports(reports, true);
  EXPECT_EQ(reports[0].points, Points(2));
  EXPECT_TRUE(boxes.Shown().empty());

  // Without a blob at all a report reads without points quietly; a temporary
  // flight tells the pilot.
  ASSERT_TRUE(raw.Exec("update pirep_data set flight_points = null"));
  ASSERT_TRUE(raw.Exec("update temp_flight_data set flight_points = null"));
  db.ReadFlightReports(reports, true);
  EXPECT_TRUE(reports[0].points.empty());
  FlightRecord noBlob;
  EXPECT_TRUE(db.ReadTempFlight("2", noBlob, true, false));
  EXPECT_TRUE(noBlob.points.empty());
  EXPECT_EQ(noBlob.flightId, "2");
  EXPECT_EQ(Captions(), std::vector<std::string>{"DB Error"});
}

TEST_F(PersistenceTest, PilotInfoRoundTripsAndAnUnknownRowFailsTheRead) {
  Database db;
  db.WritePilotInfo({"first", "one", "1"});
  const PilotInfo pilot{"o'brien\"; drop table pilot_info; --", "p@ss", "4521"};
  db.WritePilotInfo(pilot);
  PilotInfo read;
  EXPECT_TRUE(db.ReadPilotInfo(read));
  EXPECT_EQ(read, pilot);

  RawDb raw;
  ASSERT_TRUE(raw.Exec("insert into pilot_info values ('nickname', 'jd')"));
  PilotInfo again;
  EXPECT_FALSE(db.ReadPilotInfo(again));
  EXPECT_EQ(again, pilot);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(PersistenceTest, ServerVariablesMergeIntoTheStoredAndTheCallersMaps) {
  Database db;
  ASSERT_TRUE(db.WriteServerVariables({{"server", "old"}, {"chatRefreshTime", "5000"}}));
  ASSERT_TRUE(db.StoreServerVariablesReply("server=127.0.0.1:9#version=7#pirepPage=/p.php?x=1$"));
  EXPECT_FALSE(db.StoreServerVariablesReply("no record here"));

  ServerVariables variables{{"callerOwn", "x"}, {"version", "stale"}};
  EXPECT_EQ(db.ReadServerVariables(variables), 5);
  EXPECT_EQ(variables["callerOwn"], "x");
  EXPECT_EQ(variables["version"], "7");
  EXPECT_EQ(variables["server"], "127.0.0.1:9");
  EXPECT_EQ(variables["chatRefreshTime"], "5000");
  EXPECT_EQ(variables["pirepPage"], "/p.php?x=1");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(PersistenceTest, ProgramSettingsWordRoundTrips) {
  Database db;
  for (uint32_t word : {0u, 0x00080105u, 0xFFFFFFFFu}) {
    EXPECT_TRUE(db.WriteProgramSettings(word));
    EXPECT_EQ(db.ReadProgramSettings(), word);
  }
  RawDb raw;
  EXPECT_EQ(raw.Number("select count(*) from settings where name = 'settings'"), 1);
}

TEST_F(PersistenceTest, RefusedTempFlightIsReportedAndKeepsTheStoredOne) {
  Database db(reinterpret_cast<WindowHandle>(0x7));
  db.WriteTempFlight(Report("1", 2));
  {
    RawDb raw;
    ASSERT_TRUE(raw.Exec("create trigger refuse before insert on temp_flight_data when new.point_count = 5 "
                         "begin select raise(abort, 'refused'); end"));
  }
  EXPECT_TRUE(db.WriteTempFlight(Report("1", 5)));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Write Temp Flight", "DB Error"}));
  EXPECT_EQ(boxes.Shown()[0].text, "refused");
  EXPECT_EQ(boxes.Shown()[0].owner, reinterpret_cast<WindowHandle>(0x7));
  EXPECT_EQ(boxes.Shown()[1].owner, nullptr);
  FlightRecord stored;
  db.ReadTempFlight("1", stored, true, false);
  EXPECT_EQ(stored.points, Points(2));
}

// A report list is replaced whole or not at all.
TEST_F(PersistenceTest, ReportListRewriteThatFailsKeepsTheOldList) {
  Database db;
  db.WriteFlightReport(Report("1", 2));
  db.WriteFlightReport(Report("2", 1));
  {
    RawDb raw;
    ASSERT_TRUE(raw.Exec("create trigger refuse before insert on pirep_data when new.flight_id = 'BAD' "
                         "begin select raise(abort, 'refused'); end"));
  }
  EXPECT_FALSE(db.WriteFlightReports({Report("3", 1), Report("BAD", 1)}));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].caption, "Write pirep");
  EXPECT_EQ(boxes.Shown()[0].text, "refused");
  EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Error);

  std::vector<FlightRecord> reports;
  ASSERT_EQ(db.ReadFlightReports(reports, true), 2);
  EXPECT_EQ(reports[0], Report("1", 2));
  EXPECT_EQ(reports[1], Report("2", 1));

  EXPECT_TRUE(db.WriteFlightReports({Report("4", 1)}));
  ASSERT_EQ(db.ReadFlightReports(reports, true), 1);
  EXPECT_EQ(reports[0], Report("4", 1));
}

// Flight ids are bound, never pasted into statement text: quotes and long ids
// reach only their own rows.
TEST_F(PersistenceTest, FlightIdsWithQuotesOrAnyLengthTouchOnlyTheirOwnRows) {
  const std::string hostile = "1' OR '1'='1";
  const std::string longId(300, '9');
  Database db;
  std::vector<AvailableFlight> flights{Flight("1"), Flight(hostile), Flight(longId)};
  db.WriteAvailableFlights(flights, false);
  for (const auto& id : {std::string("1"), hostile, longId}) db.WriteTempFlight(Report(id));

  EXPECT_TRUE(db.SetFlightStatus(hostile, StatusRequest::Completed));
  EXPECT_TRUE(db.SetFlightStatus(longId, StatusRequest::RefuelingStop));
  EXPECT_TRUE(db.RemoveTempFlight(hostile));
  AvailableFlight read;
  EXPECT_TRUE(db.ReadAvailableFlight(longId, read));
  EXPECT_EQ(read.flightId, longId);

  std::vector<AvailableFlight> after;
  db.ReadAvailableFlights(after);
  EXPECT_EQ(after[0].status, 0);
  EXPECT_EQ(after[1].status, 1);
  EXPECT_EQ(after[2].status, 4);
  std::vector<std::string> ids;
  db.ReadTempFlightIds(ids);
  EXPECT_EQ(ids, (std::vector<std::string>{"1", longId}));
  EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace kestrix
