#include "store/database.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>
#include <thread>

#include "store_fixture.h"

namespace kestrix {
namespace {

namespace fs = std::filesystem;
using test::RawDb;

class DatabaseTest : public test::StoreTest {};

TEST_F(DatabaseTest, FreshFileHasSixTablesTheDefaultSettingsAndIsEncrypted) {
  RawDb raw;
  EXPECT_EQ(raw.Number("select count(*) from sqlite_master where type = 'table'"), 6);
  for (const char* table : {"flights_data", "pirep_data", "temp_flight_data"}) {
    EXPECT_EQ(raw.Number(std::string("select count(*) from sqlite_master where name = '") + table + "'"), 1) << table;
  }
  EXPECT_EQ(raw.Number("select count(*) from settings"), 3);
  EXPECT_EQ(raw.Number("select value from settings where name = 'dbVersionHigh'"), 3);
  EXPECT_EQ(raw.Number("select value from settings where name = 'dbVersionLow'"), 1);
  Database db;
  EXPECT_EQ(db.ReadProgramSettings(), 262659u);
  EXPECT_TRUE(db.Validate());
  EXPECT_FALSE(db.IsOpen());
  EXPECT_TRUE(boxes.Shown().empty());

  std::ifstream file(kDatabaseFile, std::ios::binary);
  std::string head(16, '\0');
  file.read(head.data(), 16);
  EXPECT_NE(head.substr(0, 15), "SQLite format 3");
  RawDb unkeyed(false);
  EXPECT_EQ(unkeyed.Number("select count(*) from sqlite_master"), -1);
}

// Files that are not ours, each written over the database before validating.
TEST_F(DatabaseTest, FilesThatAreNotOursFailValidation) {
  const auto plainSqlite = [] {
    fs::remove(kDatabaseFile);
    RawDb plain(false);
    plain.Exec("create table t (x integer); insert into t values (1)");
  };
  const auto randomBytes = [] {
    std::mt19937 random(3);
    std::ofstream out(kDatabaseFile, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < 8192; ++i) out.put(static_cast<char>(random()));
  };
  const auto wrongKey = [] {
    fs::remove(kDatabaseFile);
    RawDb other(false);
    other.Exec("pragma key = \"x'00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF'\"");
    other.Exec("create table t (x integer); insert into t values (1)");
  };
  const auto truncated = [] {
    {
      std::vector<AvailableFlight> many;
      for (int i = 0; i < 2000; ++i) many.push_back(Flight(std::to_string(i)));
      Database().WriteAvailableFlights(many, false);
    }
    fs::resize_file(kDatabaseFile, fs::file_size(kDatabaseFile) / 2 + 100);
  };
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"plain", plainSqlite}, {"random", randomBytes}, {"wrong key", wrongKey}, {"truncated", truncated}};
  for (const auto& [name, damage] : cases) {
    damage();
    boxes.Clear();
    Database db;
    EXPECT_FALSE(db.Validate()) << name;
    EXPECT_FALSE(db.IsOpen());
    ASSERT_EQ(boxes.Shown().size(), 1u) << name;
    EXPECT_EQ(boxes.Shown()[0].text, "The database seems to be invalid.");
    EXPECT_EQ(boxes.Shown()[0].caption, "Database Validate");
    EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Error);
    // Reading a damaged file fails quietly or with SQLite's text, never crashes.
    std::vector<FlightRecord> reports;
    db.ReadFlightReports(reports, true);
    EXPECT_TRUE(reports.empty());
  }
}

// Files keyed like ours whose tables are laid out otherwise: each case
// rebuilds one table from our definition with one change, or drops it.
TEST_F(DatabaseTest, FilesWithAnotherTableLayoutFailValidation) {
  struct Case {
    const char* name;
    std::string definition;
    std::string from;  // replaced by `to` in the definition; empty drops the table
    std::string to;
  };
  const Case cases[] = {
      {"missing table", Reveal(scrambled::SqlCreateServerVariables), "", ""},
      {"renamed column", Reveal(scrambled::SqlCreateFlights), "status INTEGER", "state INTEGER"},
      {"other column type", Reveal(scrambled::SqlCreateReports), "point_count INTEGER", "point_count TEXT"},
      {"columns reordered", Reveal(scrambled::SqlCreateReports), "fuel_used INTEGER, landing_rate REAL",
       "landing_rate REAL, fuel_used INTEGER"},
      {"extra column", Reveal(scrambled::SqlCreatePilotInfo), "value TEXT", "value TEXT, note TEXT"},
      {"missing primary key", Reveal(scrambled::SqlCreateSettings), "name TEXT PRIMARY KEY", "name TEXT"},
      {"missing unique key", Reveal(scrambled::SqlCreateTempFlights), "flight_id TEXT UNIQUE", "flight_id TEXT"},
      {"key on another column", Reveal(scrambled::SqlCreateTempFlights), "flight_id TEXT UNIQUE, start_time INTEGER",
       "flight_id TEXT, start_time INTEGER UNIQUE"},
  };
  for (const Case& c : cases) {
    fs::remove(kDatabaseFile);
    Database().CreateSchema();
    {
      RawDb raw;
      const std::string table = c.definition.substr(13, c.definition.find(' ', 13) - 13);
      ASSERT_TRUE(raw.Exec("drop table " + table)) << c.name;
      if (!c.from.empty()) {
        std::string changed = c.definition;
        ASSERT_NE(changed.find(c.from), std::string::npos) << c.name;
        changed.replace(changed.find(c.from), c.from.size(), c.to);
        ASSERT_TRUE(raw.Exec(changed)) << c.name;
      }
    }
    boxes.Clear();
    EXPECT_FALSE(Database().Validate()) << c.name;
    ASSERT_EQ(boxes.Shown().size(), 1u) << c.name;
    EXPECT_EQ(boxes.Shown()[0].text, "The database seems to be invalid.") << c.name;
  }
  // The same table rebuilt unchanged, and a table of someone else's beside
  // ours, change nothing the store relies on.
  fs::remove(kDatabaseFile);
  Database().CreateSchema();
  {
    RawDb raw;
    ASSERT_TRUE(raw.Exec("drop table pirep_data"));
    ASSERT_TRUE(raw.Exec(Reveal(scrambled::SqlCreateReports)));
    ASSERT_TRUE(raw.Exec("create table notes (x text)"));
  }
  boxes.Clear();
  EXPECT_TRUE(Database().Validate());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(DatabaseTest, CreateIfMissingCreatesOnlyWhereNoDatabaseIsYet) {
  // No file, and the empty file that a creation killed before its commit leaves.
  for (const bool leftEmpty : {false, true}) {
    fs::remove(kDatabaseFile);
    if (leftEmpty) std::ofstream(kDatabaseFile).close();
    Database().CreateIfMissing();
    EXPECT_TRUE(Database().Validate()) << leftEmpty;
    EXPECT_EQ(Database().ReadProgramSettings(), ProgramSettings::Default) << leftEmpty;
  }
  // A database in place is kept as it is.
  Database().WriteProgramSettings(5);
  boxes.Clear();
  Database().CreateIfMissing();
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(Database().ReadProgramSettings(), 5u);
  // A file that is no database of ours is left for validation to refuse.
  fs::remove(kDatabaseFile);
  std::ofstream(kDatabaseFile) << "not a database";
  Database().CreateIfMissing();
  EXPECT_FALSE(Database().Validate());
}

TEST_F(DatabaseTest, FailedOpenEndsEveryOperationWithItsFailureResultAndOneMessage) {
  const fs::path gone = dir.Path() / "gone";
  fs::create_directory(gone);
  fs::current_path(gone);
  fs::remove(gone);  // nothing can be created in a working directory that no longer exists

  const std::pair<const char*, std::function<int(Database&)>> cases[] = {
      {"ReadAvailableFlights", [](Database& d) { std::vector<AvailableFlight> l; return d.ReadAvailableFlights(l); }},
      {"ReadFlightReports", [](Database& d) { std::vector<FlightRecord> l; return d.ReadFlightReports(l, true); }},
      {"ReadServerVariables", [](Database& d) { ServerVariables v{{"a", "1"}}; return d.ReadServerVariables(v); }},
      {"ReadProgramSettings", [](Database& d) { return static_cast<int>(d.ReadProgramSettings()); }},
      {"ReadPilotInfo", [](Database& d) { PilotInfo p; return int(d.ReadPilotInfo(p)); }},
      {"ReadTempFlight", [](Database& d) { FlightRecord r; return int(d.ReadTempFlight("1", r, true, false)); }},
      {"WriteTempFlight", [](Database& d) { return int(d.WriteTempFlight(Report("1", 2))); }},
      {"WriteFlightReport", [](Database& d) { return int(d.WriteFlightReport(Report("1", 2))); }},
      {"WriteAvailableFlights", [](Database& d) { std::vector<AvailableFlight> l{Flight("1")}; return int(d.WriteAvailableFlights(l, true)); }},
      {"SetFlightStatus", [](Database& d) { return int(d.SetFlightStatus("1", 1)); }},
      {"RemoveFlights", [](Database& d) { return int(d.RemoveFlights({"1"}, true)); }},
      {"ClearFlightList", [](Database& d) { return int(d.ClearFlightList()); }},
      {"Validate", [](Database& d) { return int(d.Validate()); }},
  };
  for (const auto& [name, operation] : cases) {
    boxes.Clear();
    Database db;
    const int expected = std::string(name) == "ReadFlightReports" ? -1 : 0;
    EXPECT_EQ(operation(db), expected) << name;
    EXPECT_FALSE(db.IsOpen()) << name;
    ASSERT_EQ(boxes.Shown().size(), 1u) << name;
    EXPECT_EQ(boxes.Shown()[0].caption, "Database Error") << name;
    EXPECT_FALSE(boxes.Shown()[0].text.empty());
    EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Error);
  }
  fs::current_path(dir.Path());
}

TEST_F(DatabaseTest, FailingDefinitionStillLeavesTheOtherTablesAndInitialRows) {
  fs::remove(kDatabaseFile);
  {
    RawDb raw;
    raw.Exec("create table pilot_info (x integer)");
  }
  Database db(reinterpret_cast<WindowHandle>(0x42));
  db.CreateSchema();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, "Error creating pilot info table.");
  EXPECT_EQ(boxes.Shown()[0].caption, "Database Creation");
  EXPECT_EQ(boxes.Shown()[0].owner, reinterpret_cast<WindowHandle>(0x42));
  RawDb raw;
  EXPECT_EQ(raw.Number("select count(*) from sqlite_master where type = 'table'"), 6);
  EXPECT_EQ(db.ReadProgramSettings(), ProgramSettings::Default);

  // Creating over a complete file keeps the stored settings word.
  db.WriteProgramSettings(5);
  boxes.Clear();
  db.CreateSchema();
  EXPECT_EQ(boxes.Shown().size(), 9u);
  EXPECT_TRUE(boxes.Saw("Error adding settings data."));
  EXPECT_EQ(db.ReadProgramSettings(), 5u);
}

TEST_F(DatabaseTest, ResetKeepsIdentityVariablesAndRemovedFlightsOnly) {
  Database db;
  const PilotInfo pilot{"jdoe", "s3cret", "1234"};
  db.WritePilotInfo(pilot);
  db.WriteServerVariables({{"server", "127.0.0.1:8080"}, {"maxGroundTime", "30"}});
  std::vector<AvailableFlight> flights{Flight("10", FlightStatus::StatusCompleted),
                                       Flight("11", FlightStatus::StatusRemoved), Flight("12", 0),
                                       Flight("13", FlightStatus::StatusRemoved | FlightStatus::StatusFiled)};
  db.WriteAvailableFlights(flights, false);
  db.WriteFlightReport(Report("10", 2));
  db.WriteTempFlight(Report("12", 1));
  db.WriteProgramSettings(7);

  EXPECT_TRUE(db.Reset());
  EXPECT_TRUE(boxes.Shown().empty());

  std::vector<AvailableFlight> kept;
  ASSERT_EQ(db.ReadAvailableFlights(kept), 2);
  EXPECT_EQ(kept[0], flights[1]);
  EXPECT_EQ(kept[1], flights[3]);
  PilotInfo readPilot;
  EXPECT_TRUE(db.ReadPilotInfo(readPilot));
  EXPECT_EQ(readPilot, pilot);
  ServerVariables variables;
  EXPECT_EQ(db.ReadServerVariables(variables), 2);
  EXPECT_EQ(variables["server"], "127.0.0.1:8080");
  std::vector<FlightRecord> reports;
  EXPECT_EQ(db.ReadFlightReports(reports, true), 0);
  std::vector<std::string> temp;
  db.ReadTempFlightIds(temp);
  EXPECT_TRUE(temp.empty());
  EXPECT_EQ(db.ReadProgramSettings(), ProgramSettings::Default);
}

TEST_F(DatabaseTest, ResetWhileAnotherConnectionHoldsTheFileFailsAndChangesNothing) {
  Database db;
  db.WritePilotInfo({"jdoe", "pw", "77"});
  std::vector<AvailableFlight> flights{Flight("1"), Flight("2", FlightStatus::StatusCompleted)};
  db.WriteAvailableFlights(flights, false);
  {
    RawDb holder;
    ASSERT_TRUE(holder.Exec("begin"));
    ASSERT_EQ(holder.Number("select count(*) from flights_data"), 2);
    EXPECT_FALSE(db.Reset());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "There was an error deleting the database.");
    EXPECT_EQ(boxes.Shown()[0].caption, "Reset Database");
    EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Error);
  }
  std::vector<AvailableFlight> after;
  EXPECT_EQ(db.ReadAvailableFlights(after), 2);
  PilotInfo pilot;
  db.ReadPilotInfo(pilot);
  EXPECT_EQ(pilot.username, "jdoe");
}

// A writer on another connection holds the file for a moment; the store's
// write waits for it instead of failing and losing the value.
TEST_F(DatabaseTest, WriteWaitsForAnotherConnectionInsteadOfFailing) {
  std::atomic<bool> locked = false;
  std::thread holder([&] {
    RawDb other;
    other.Exec("begin immediate");
    other.Exec("update settings set value = 1 where name = 'dbVersionLow'");
    locked = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    other.Exec("commit");
  });
  while (!locked) std::this_thread::yield();
  Database db;
  EXPECT_TRUE(db.WriteProgramSettings(0x123));
  holder.join();
  EXPECT_EQ(db.ReadProgramSettings(), 0x123u);
  EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace kestrix
