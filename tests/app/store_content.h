#pragma once

#include <sqlcipher/sqlite3.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "scrambled/store_strings.h"
#include "store/database.h"
#include "store/string_protection.h"
#include "support/scripted_message_box.h"

namespace kestrix::test {

// Reports the airline holds as filed, by flight id and the saved time it was sent with.
using FiledReports = std::set<std::pair<std::string, std::string>>;

inline std::string SentSavedTime(const FlightRecord& report) {
  return std::to_string(static_cast<uint32_t>(report.savedTime));
}

// What the program's store holds, as its own reads give it.
struct StoreContent {
  std::vector<FlightRecord> tempFlights;
  std::vector<FlightRecord> reports;
  std::vector<AvailableFlight> flights;
  // What the airline held as filed just before and just after the store was
  // read: a flight filed and removed meanwhile is in the second only.
  FiledReports filedBefore;
  FiledReports filedAfter;
};

// Rows whose point count disagrees with the bytes of their blob, counted on a
// connection keyed like the store's; -1 when the file cannot be read.
inline int64_t RowsWithMismatchedPoints() {
  sqlite3* db = nullptr;
  int64_t rows = -1;
  std::string key = Reveal(scrambled::SqlKey);
  key.replace(key.find("%s"), 2, Reveal(scrambled::DbKey));
  const std::string count =
      "SELECT (SELECT count(*) FROM pirep_data WHERE length(flight_points) IS NOT point_count * " +
      std::to_string(kFlightPointBytes) +
      ") + (SELECT count(*) FROM temp_flight_data WHERE length(flight_points) IS NOT point_count * " +
      std::to_string(kFlightPointBytes) + ")";
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_open_v2(kDatabaseFile, &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_exec(db, key.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, count.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    rows = sqlite3_column_int64(statement, 0);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

// Reads the whole store through its own interface. Temporary flights come
// first, then the reports, then the list: the order in which a flight moves
// along, so a read that overlaps a write never misses a flight on its way from
// one table to the next. Empty, with `fault` saying why, when a read fails or
// the store shows a message.
template <typename ReadFiled>
std::optional<StoreContent> ReadStoreContent(ScriptedMessageBox& boxes, ReadFiled readFiled, std::string& fault) {
  boxes.Clear();
  StoreContent content;
  content.filedBefore = readFiled();
  std::vector<std::string> ids;
  bool read = Database().ReadTempFlightIds(ids);
  for (const std::string& id : ids) {
    FlightRecord record;
    // A flight stored as a report between the two reads leaves the record blank.
    read = read && Database().ReadTempFlight(id, record, true, false) && record.flightId == id;
    content.tempFlights.push_back(std::move(record));
  }
  read = read && Database().ReadFlightReports(content.reports, true) >= 0;
  Database().ReadAvailableFlights(content.flights);
  content.filedAfter = readFiled();
  fault.clear();
  if (!read) fault = "a read failed";
  for (const std::string& text : boxes.Texts()) fault += " [" + text + "]";
  if (!fault.empty()) return std::nullopt;
  return content;
}

}  // namespace kestrix::test
