#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>

#include "store/database.h"
#include "store_fixture.h"

namespace kestrix {
namespace {

using test::RawDb;

// Throws out of the first box with the given caption, as an out-of-memory
// failure in the middle of an operation would; records every box.
class ThrowingPresenter : public MessageBoxPresenter {
 public:
  explicit ThrowingPresenter(std::string caption) : trigger(std::move(caption)) {}
  int Present(const MessageBoxRequest& request) override {
    shown.push_back(request);
    if (request.caption == trigger && !thrown) {
      thrown = true;
      throw std::runtime_error("out of memory");
    }
    return MessageResult::Ok;
  }
  std::string trigger;
  bool thrown = false;
  std::vector<MessageBoxRequest> shown;
};

struct GuardCase {
  std::string damage;  // run on the seeded file, or on a new empty one when `fresh`
  const char* trigger;
  std::function<int(Database&)> operation;
  const char* text;
  bool fresh = false;
  bool rowsReadable = true;
};

// A trigger that refuses the change of one row.
std::string Refuse(const char* when, const char* table, const char* condition) {
  return std::string("create trigger refuse before ") + when + " on " + table + " when " + condition +
         " begin select raise(abort, 'refused'); end";
}

class OperationGuardTest : public test::StoreTest {
 protected:
  void Seed() {
    Database seed;
    std::vector<AvailableFlight> flights{Flight("1", FlightStatus::StatusCompleted)};
    seed.WriteAvailableFlights(flights, false);
    seed.WriteFlightReport(Report("1", 2));
    seed.WriteTempFlight(Report("1", 1));
    seed.WritePilotInfo({"kept", "kept", "1"});
    seed.WriteServerVariables({{"server", "kept"}});
  }
};

TEST_F(OperationGuardTest, AnEscapingFailureShowsTheOperationsTextRollsBackAndClosesTheConnection) {
  const GuardCase cases[] = {
      {"drop table flights_data", "GetAvailableFlights",
       [](Database& d) { std::vector<AvailableFlight> l; return d.ReadAvailableFlights(l); },
       "There was an error retreiving he available flights."},
      {"drop table message_window", "GetServerSettings",
       [](Database& d) { ServerVariables v; return d.ReadServerVariables(v); },
       "There was an error retreiving the server settings."},
      {"create table pilot_info (x)", "Database Creation", [](Database& d) { d.CreateSchema(); return 0; },
       "There was an error creating the database.", true, false},
      {"pragma rekey = 'another key'", "Database Validate", [](Database& d) { return int(d.Validate()); },
       "There was an error validating the database.", false, false},
      {Refuse("insert", "flights_data", "new.flight_id = '1'"), "Update Database",
       [](Database& d) {
         std::vector<AvailableFlight> l{test::StoreTest::Flight("9")};
         return int(d.WriteAvailableFlights(l, true));
       },
       "There was an error writing the available flights."},
      {Refuse("insert", "flights_data", "1"), "Update Database",
       [](Database& d) { return int(d.RemoveFlights({"1"}, true)); }, "There was an error removing the flight(s)."},
      {Refuse("insert", "flights_data", "1"), "Update Database", [](Database& d) { return int(d.ClearFlightList()); },
       "There was an error clearing the flights flights list."},
      {Refuse("insert", "message_window", "new.name = 'b'"), "Update Database",
       [](Database& d) { return int(d.WriteServerVariables({{"a", "1"}, {"b", "2"}, {"server", "new"}})); },
       "There was an error writing the server settings."},
      {Refuse("insert", "pilot_info", "new.name = 'password'"), "Update Database",
       [](Database& d) { d.WritePilotInfo({"u", "p", "2"}); return 0; },
       "There was an error writing the pilot information."},
      {Refuse("insert", "temp_flight_data", "1"), "Write Temp Flight",
       [](Database& d) { return int(d.WriteTempFlight(test::StoreTest::Report("5", 1))); },
       "There was an error writing the temp flight."},
      {Refuse("insert", "pirep_data", "new.flight_id = '6'"), "Write pirep",
       [](Database& d) {
         return int(d.WriteFlightReports({test::StoreTest::Report("5", 1), test::StoreTest::Report("6", 1)}));
       },
       "There was an error writing the flight report list."},
      {Refuse("delete", "temp_flight_data", "1"), "Kestrix v2",
       [](Database& d) { return int(d.RemoveTempFlight("1")); }, "There was an error deleting the temp flight."},
  };
  for (const GuardCase& c : cases) {
    std::filesystem::remove(kDatabaseFile);
    if (!c.fresh) {
      Database().CreateSchema();
      Seed();
    }
    ASSERT_TRUE(RawDb().Exec(c.damage)) << c.damage;

    auto presenter = std::make_shared<ThrowingPresenter>(c.trigger);
    InstallMessageBoxPresenter(presenter);
    Database db;
    EXPECT_EQ(c.operation(db), 0) << c.text;
    InstallMessageBoxPresenter(nullptr);
    EXPECT_FALSE(db.IsOpen()) << c.text;
    ASSERT_TRUE(presenter->thrown) << c.text;
    EXPECT_EQ(presenter->shown.back().text, c.text);
    EXPECT_EQ(presenter->shown.back().caption, "Kestrix v2");
    EXPECT_EQ(presenter->shown.back().flags, MessageKind::Plain);

    // Nothing holds the file, and nothing half done stays behind.
    RawDb raw;
    if (!c.rowsReadable && !c.fresh) continue;
    EXPECT_TRUE(raw.Exec("begin exclusive")) << c.text;
    raw.Exec("rollback");
    if (!c.rowsReadable) continue;
    EXPECT_EQ(raw.Number("select count(*) from pirep_data"), 1) << c.text;
    EXPECT_EQ(raw.Number("select count(*) from temp_flight_data"), 1) << c.text;
    EXPECT_EQ(raw.Number("select count(*) from pilot_info where value = 'kept'"), 2) << c.text;
    if (raw.Number("select count(*) from sqlite_master where name = 'flights_data'") == 1) {
      EXPECT_EQ(raw.Number("select count(*) from flights_data"), 1) << c.text;
      EXPECT_EQ(raw.Number("select status from flights_data"), FlightStatus::StatusCompleted) << c.text;
    }
    if (raw.Number("select count(*) from sqlite_master where name = 'message_window'") == 1) {
      EXPECT_EQ(raw.Number("select count(*) from message_window"), 1) << c.text;
    }
  }
}

// The plain statement texts must not reach the program: only scrambled bytes do.
TEST(StoredStatements, NoPlainStatementTextInTheLibraryOrTheTests) {
  for (const char* path : {KESTRIX_STORE_LIBRARY, KESTRIX_STORE_TESTS}) {
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 10000u);
    // Spelled with "|" for the space so that this test does not hold the texts itself.
    std::vector<std::string> words = {"CREATE|TABLE", "INSERT|INTO", "INSERT|OR REPLACE", "SELECT|local_id",
                                      "UPDATE|flights_data", "temp_flight_data|WHERE", "PRAGMA|table_info",
                                      "PRAGMA|index_list"};
    for (auto& word : words) std::replace(word.begin(), word.end(), '|', ' ');
    std::string keyStatement = Reveal(scrambled::SqlKey);
    keyStatement.replace(keyStatement.find("%s"), 2, Reveal(scrambled::DbKey));
    words.push_back(keyStatement);
    words.push_back(Reveal(scrambled::DbKey));
    for (const std::string& word : words) {
      EXPECT_EQ(bytes.find(word), std::string::npos) << word << " in " << path;
    }
  }
}

}  // namespace
}  // namespace kestrix
