#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "store/records.h"

struct sqlite3;

namespace kestrix::sql {
class Statement;
}

// Row-level pieces of the store operations. Each runs on an open connection,
// inside whatever transaction the calling operation holds.
namespace kestrix::rows {

void Begin(sqlite3* db);
void Commit(sqlite3* db);
// Rebuilds the file when free pages make up a large share of it, as after a
// large download or removal; a rewrite that reuses its pages leaves too few.
void Vacuum(sqlite3* db);

// False (after showing SQLite's text) when the select cannot be prepared.
bool ReadFlights(sqlite3* db, std::vector<AvailableFlight>& list);
// Whether ReadFlights could read the list, without reading it; shows the same text.
bool FlightsReadable(sqlite3* db);

// What a merge needs of a stored flight; the rest of its row is read by its
// row id only when the merge keeps it.
struct StoredFlightKey {
  int64_t rowId = 0;
  std::string localId;
  std::string flightId;
  int32_t status = 0;
};
// The keys of the whole list in stored order; fails as ReadFlights does.
bool ReadFlightKeys(sqlite3* db, std::vector<StoredFlightKey>& list);
// Appends the flights of the given rows, in that order; false when one is missing.
bool AppendFlightRows(sqlite3* db, const std::vector<int64_t>& rowIds, std::vector<AvailableFlight>& list);
// Replaces the whole list; a row that is not written is shown and skipped.
void WriteFlights(sqlite3* db, WindowHandle owner, const std::vector<AvailableFlight>& list);

// Columns 1 to 10 of a selected row, laid out alike in reports and temporary flights.
void ReadLeadingColumns(sql::Statement& select, FlightRecord& record);
// False when the select cannot be prepared.
bool ReadReports(sqlite3* db, std::vector<FlightRecord>& list, bool withPoints);
// Inserts the report and fills its points; false (after showing SQLite's
// text) when the row was not inserted.
bool InsertReport(sqlite3* db, WindowHandle owner, const FlightRecord& record);

void DeleteTempFlight(sqlite3* db, WindowHandle owner, const std::string& flightId);

}  // namespace kestrix::rows
