#pragma once

#include <sqlcipher/sqlite3.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scrambled/store_strings.h"
#include "store/database.h"
#include "store/string_protection.h"
#include "support/scripted_message_box.h"
#include "support/temp_work_dir.h"

namespace kestrix::test {

// A connection of the test's own to the database file, keyed like the store's,
// for looking at rows and damaging them.
class RawDb {
 public:
  explicit RawDb(bool keyed = true) {
    EXPECT_EQ(sqlite3_open(kDatabaseFile, &db), SQLITE_OK);
    if (keyed) {
      std::string key = Reveal(scrambled::SqlKey);
      key.replace(key.find("%s"), 2, Reveal(scrambled::DbKey));
      Exec(key);
    }
  }
  ~RawDb() { sqlite3_close(db); }
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  bool Exec(const std::string& text) { return sqlite3_exec(db, text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }
  // First column of the first row as an integer; -1 when there is none.
  int64_t Number(const std::string& text) {
    sqlite3_stmt* statement = nullptr;
    int64_t value = -1;
    if (sqlite3_prepare_v2(db, text.c_str(), -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
      value = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    return value;
  }
  sqlite3* Handle() { return db; }

 private:
  sqlite3* db = nullptr;
};

// Every test runs in a fresh directory with a freshly created database and
// records every message box.
class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Database().CreateSchema();
    boxes.Clear();
  }

  static AvailableFlight Flight(const std::string& flightId, int32_t status = 0, const std::string& localId = "") {
    AvailableFlight f;
    f.localId = localId.empty() ? "local-" + flightId : localId;
    f.type = "SCH";
    f.flightId = flightId;
    f.departure = "KSEA";
    f.departureName = "Seattle";
    f.arrival = "KPDX";
    f.arrivalName = "Portland";
    f.airlineIcao = "HVN";
    f.flightNumber = "HV" + flightId;
    f.airlineName = "Halvorn";
    f.aircraftType = "B738";
    f.effectiveDate = "0";
    f.expiryDate = "2030-01-01";
    f.status = status;
    return f;
  }

  static std::vector<FlightPoint> Points(int count) {
    std::vector<FlightPoint> points;
    for (int i = 0; i < count; ++i) points.push_back({47.5 + i, -122.25 - i, 3500 + 100 * i, 1 + (i * 37) % 360});
    return points;
  }

  static FlightRecord Report(const std::string& flightId, int pointCount = 0) {
    FlightRecord r;
    r.flightId = flightId;
    r.startTime = 5'000'000'000;
    r.flightMinutes = 95;
    r.groundMinutesLeft = -3;
    r.fuelUsed = 4200;
    r.landingRate = -182.5;
    r.landingSpeed = 141;
    r.lastLatitude = 45.588;
    r.lastLongitude = -122.597;
    r.lastFeedTime = 1'900'000'000;
    r.savedTime = 1'900'000'100;
    r.flightPlanFile = "/plans/KSEA-KPDX.pln";
    r.points = Points(pointCount);
    return r;
  }

  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const auto& box : boxes.Shown()) captions.push_back(box.caption);
    return captions;
  }

  TempWorkDir dir;
  ScriptedMessageBox boxes;
};

}  // namespace kestrix::test
