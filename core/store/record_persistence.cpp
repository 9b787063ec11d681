#include <sqlcipher/sqlite3.h>

#include <climits>
#include <memory>
#include <stdexcept>

#include "scrambled/store_strings.h"
#include "protocol/reply_format.h"
#include "store/database.h"
#include "store/guarded_operation.h"
#include "store/sqlite_statement.h"
#include "store/store_rows.h"
#include "store/string_protection.h"

namespace kestrix {
namespace rows {
namespace {

constexpr const char* kUpdateCaption = "Update Database";

// Size of the zero-filled blob that reserves room for the points.
int PointBlobBytes(const std::vector<FlightPoint>& points) {
  if (points.size() > static_cast<size_t>(INT_MAX) / kFlightPointBytes) throw std::length_error("too many points");
  return static_cast<int>(points.size() * kFlightPointBytes);
}

void BindPointCount(sql::Statement& statement, int index, const std::vector<FlightPoint>& points) {
  const int bytes = PointBlobBytes(points);
  statement.BindInt(index, static_cast<int32_t>(points.size()));
  statement.BindZeroBlob(index + 1, bytes);
}

AvailableFlight FlightFromRow(const sql::Statement& row) {
  AvailableFlight f;
  std::string* texts[] = {&f.localId,      &f.type,        &f.flightId,     &f.departure,    &f.departureName,
                          &f.arrival,      &f.arrivalName, &f.airlineIcao,  &f.flightNumber, &f.airlineName,
                          &f.aircraftType, &f.effectiveDate, &f.expiryDate};
  for (int i = 0; i < 13; ++i) *texts[i] = row.Text(i);
  f.status = row.Int(13);
  return f;
}

void BindFlight(sql::Statement& insert, const AvailableFlight& f) {
  const std::string* texts[] = {&f.localId,      &f.type,        &f.flightId,     &f.departure,    &f.departureName,
                                &f.arrival,      &f.arrivalName, &f.airlineIcao,  &f.flightNumber, &f.airlineName,
                                &f.aircraftType, &f.effectiveDate, &f.expiryDate};
  // The list outlives every step of the insert, and each step follows a full rebinding.
  for (int i = 0; i < 13; ++i) insert.BindLastingText(i + 1, *texts[i]);
  insert.BindInt(14, f.status);
}

// Writes name/value pairs with one prepared statement; failed rows are shown and skipped.
template <typename Pairs>
void WritePairs(sqlite3* db, WindowHandle owner, const std::string& statement, const Pairs& pairs,
                const char* failure) {
  sql::Statement write(db, statement);
  for (const auto& [name, value] : pairs) {
    write.BindText(1, name);
    write.BindText(2, value);
    if (!write.StepDone()) ShowMessageBox(owner, failure, kUpdateCaption, MessageKind::Error);
    write.Reset();
  }
}

// A prepared select over the whole list; none, after showing SQLite's text, when it cannot be prepared.
std::unique_ptr<sql::Statement> SelectFlights(sqlite3* db, const std::string& text) {
  auto select = std::make_unique<sql::Statement>(db, text);
  if (select->Prepared()) return select;
  ShowMessageBox(nullptr, sql::ErrorText(db), "GetAvailableFlights", MessageKind::Plain);
  return nullptr;
}

// Every rewrite numbers the rows from 1, so the last row id is the row count
// and the list is read without doubling its vector on the way; a gap left by
// a row written elsewhere only costs a little spare room, and absurd ids none.
template <typename Entry>
void ReserveForStoredFlights(sqlite3* db, std::vector<Entry>& list) {
  constexpr int64_t kMostReserved = 1'000'000;
  sql::Statement last(db, Reveal(scrambled::SqlSelectLastFlightRow));
  if (!last.StepRow()) return;
  const int64_t rows = last.Int64(0);
  if (rows > 0 && rows <= kMostReserved) list.reserve(static_cast<size_t>(rows));
}

}  // namespace

void Begin(sqlite3* db) { sql::Exec(db, "BEGIN TRANSACTION"); }
void Commit(sqlite3* db) { sql::Exec(db, "COMMIT TRANSACTION"); }
void Vacuum(sqlite3* db) {
  // A smaller share of free pages is taken up again by the next writes; it
  // would cost a whole rebuild to give back little.
  constexpr int64_t kSparseDivisor = 4;
  const auto count = [&](const std::string& pragma) {
    sql::Statement select(db, pragma);
    return select.StepRow() ? select.Int64(0) : 0;
  };
  const int64_t freePages = count(Reveal(scrambled::SqlFreePageCount));
  if (freePages > 0 && freePages * kSparseDivisor >= count(Reveal(scrambled::SqlPageCount))) sql::Exec(db, "VACUUM");
}

bool ReadFlights(sqlite3* db, std::vector<AvailableFlight>& list) {
  list.clear();
  const auto select = SelectFlights(db, Reveal(scrambled::SqlSelectFlights));
  if (!select) return false;
  ReserveForStoredFlights(db, list);
  while (select->StepRow()) list.push_back(FlightFromRow(*select));
  return true;
}

bool FlightsReadable(sqlite3* db) { return SelectFlights(db, Reveal(scrambled::SqlSelectFlights)) != nullptr; }

bool ReadFlightKeys(sqlite3* db, std::vector<StoredFlightKey>& list) {
  list.clear();
  const auto select = SelectFlights(db, Reveal(scrambled::SqlSelectFlightKeys));
  if (!select) return false;
  ReserveForStoredFlights(db, list);
  while (select->StepRow()) list.push_back({select->Int64(0), select->Text(1), select->Text(2), select->Int(3)});
  return true;
}

bool AppendFlightRows(sqlite3* db, const std::vector<int64_t>& rowIds, std::vector<AvailableFlight>& list) {
  sql::Statement select(db, Reveal(scrambled::SqlSelectFlightInRow));
  for (const int64_t rowId : rowIds) {
    select.BindInt64(1, rowId);
    if (!select.StepRow()) return false;
    list.push_back(FlightFromRow(select));
    select.Reset();
  }
  return true;
}

void WriteFlights(sqlite3* db, WindowHandle owner, const std::vector<AvailableFlight>& list) {
  // With the default cache a whole schedule's pages spill to the file before
  // the commit, and every spill syncs the journal first.
  sql::Exec(db, Reveal(scrambled::SqlListCacheSize));
  sql::Exec(db, "DELETE FROM flights_data");
  sql::Statement insert(db, Reveal(scrambled::SqlInsertFlight));
  for (const AvailableFlight& flight : list) {
    BindFlight(insert, flight);
    if (!insert.StepDone()) ShowMessageBox(owner, "Error updating settings", kUpdateCaption, MessageKind::Error);
    insert.Reset();
  }
}

void ReadLeadingColumns(sql::Statement& select, FlightRecord& r) {
  r.flightId = select.Text(1);
  r.startTime = select.Int64(2);
  r.flightMinutes = select.Int(3);
  r.groundMinutesLeft = select.Int(4);
  r.fuelUsed = select.Int(5);
  r.landingRate = select.Double(6);
  r.landingSpeed = select.Int(7);
  r.lastLatitude = select.Double(8);
  r.lastLongitude = select.Double(9);
  r.lastFeedTime = select.Int(10);
}

bool ReadReports(sqlite3* db, std::vector<FlightRecord>& list, bool withPoints) {
  list.clear();
  sql::Statement select(db, Reveal(scrambled::SqlSelectReports));
  if (!select.Prepared()) return false;
  const std::string table = Reveal(scrambled::TableReports);
  while (select.StepRow()) {
    FlightRecord r;
    ReadLeadingColumns(select, r);
    r.savedTime = select.Int(11);
    r.flightPlanFile = select.Text(12);
    const int64_t count = select.Int(13);
    if (withPoints && count > 0) {
      sql::PointBlob blob(db, table, select.Int64(0), false);
      if (blob.Opened()) blob.ReadPoints(count, r.points);
    }
    list.push_back(std::move(r));
  }
  return true;
}

bool InsertReport(sqlite3* db, WindowHandle owner, const FlightRecord& r) {
  int64_t rowId = 0;
  {
    sql::Statement insert(db, Reveal(scrambled::SqlInsertReport));
    insert.BindText(1, r.flightId);
    insert.BindInt64(2, r.startTime);
    insert.BindInt(3, r.flightMinutes);
    insert.BindInt(4, r.groundMinutesLeft);
    insert.BindInt(5, r.fuelUsed);
    insert.BindDouble(6, r.landingRate);
    insert.BindInt(7, r.landingSpeed);
    insert.BindDouble(8, r.lastLatitude);
    insert.BindDouble(9, r.lastLongitude);
    insert.BindInt(10, r.lastFeedTime);
    insert.BindInt(11, r.savedTime);
    insert.BindText(12, r.flightPlanFile);
    BindPointCount(insert, 13, r.points);
    if (!insert.StepDone()) {
      ShowMessageBox(owner, sql::ErrorText(db), "Write pirep", MessageKind::Error);
      return false;
    }
    rowId = sqlite3_last_insert_rowid(db);
  }
  // Without the blob the report keeps zero bytes for its points.
  sql::PointBlob blob(db, Reveal(scrambled::TableReports), rowId, true);
  if (blob.Opened()) blob.WritePoints(r.points);
  return true;
}

void DeleteTempFlight(sqlite3* db, WindowHandle owner, const std::string& flightId) {
  sql::Statement remove(db, Reveal(scrambled::SqlDeleteTempFlight));
  remove.BindText(1, flightId);
  if (!remove.StepDone()) ShowMessageBox(owner, "Error removing the temp flight.", kProgramCaption, MessageKind::Error);
}

}  // namespace rows

int Database::ReadAvailableFlights(std::vector<AvailableFlight>& list) {
  list.clear();
  return Guarded("There was an error retreiving he available flights.", 0, [&](sqlite3* db) {
    rows::ReadFlights(db, list);
    return static_cast<int>(list.size());
  });
}

bool Database::ReadAvailableFlight(const std::string& flightId, AvailableFlight& flight) {
  return Guarded("There was an error retreiving the flight information.", false, [&](sqlite3* db) {
    sql::Statement select(db, Reveal(scrambled::SqlSelectFlight));
    select.BindText(1, flightId);
    if (select.StepRow()) flight = rows::FlightFromRow(select);
    return true;
  });
}

bool Database::ReadTempFlightIds(std::vector<std::string>& ids) {
  ids.clear();
  return Guarded("There was an error retreiving the available temp flights.", false, [&](sqlite3* db) {
    sql::Statement select(db, Reveal(scrambled::SqlSelectTempFlightIds));
    while (select.StepRow()) ids.push_back(select.Text(0));
    return true;
  });
}

int Database::ReadFlightReports(std::vector<FlightRecord>& list, bool withPoints) {
  list.clear();
  return Guarded("There was an error retreiving the flight reports.", -1, [&](sqlite3* db) {
    rows::ReadReports(db, list, withPoints);
    return static_cast<int>(list.size());
  });
}

bool Database::ReadTempFlight(const std::string& flightId, FlightRecord& r, bool withPoints, bool keepFlightPlan) {
  return Guarded("There was an error retreiving the temp flight information.", false, [&](sqlite3* db) {
    int64_t rowId = 0;
    int64_t count = 0;
    {
      sql::Statement select(db, Reveal(scrambled::SqlSelectTempFlight));
      select.BindText(1, flightId);
      if (select.StepRow()) {
        rowId = select.Int64(0);
        rows::ReadLeadingColumns(select, r);
        r.flightPhase = select.Int(11);
        r.recordedTime = select.Int64(12);
        r.groundTime = select.Int64(13);
        r.altitude = select.Int(14);
        r.heading = select.Int(15);
        r.trueAirspeed = select.Int(16);
        r.currentFuel = select.Int(17);
        if (!keepFlightPlan) r.flightPlanFile = select.Text(18);
        if (withPoints) count = select.Int(19);
      }
    }
    if (count > 0) {
      sql::PointBlob blob(db, Reveal(scrambled::TableTempFlights), rowId, false);
      if (blob.Opened()) {
        blob.ReadPoints(count, r.points);
      } else {
        ShowMessageBox(nullptr, sql::ErrorText(db), "DB Error", MessageKind::Plain);
      }
    }
    return true;
  });
}

bool Database::ReadPilotInfo(PilotInfo& info) {
  return Guarded("There was an error retreiving the pilot info.", false, [&](sqlite3* db) {
    bool known = true;
    sql::Statement select(db, Reveal(scrambled::SqlSelectPilotInfo));
    while (select.StepRow()) {
      const std::string name = select.Text(0);
      if (name == "username") {
        info.username = select.Text(1);
      } else if (name == "password") {
        info.password = select.Text(1);
      } else if (name == "pilot_number") {
        info.pilotNumber = select.Text(1);
      } else {
        known = false;
      }
    }
    return known;
  });
}

int Database::ReadServerVariables(ServerVariables& variables) {
  return Guarded("There was an error retreiving the server settings.", 0, [&](sqlite3* db) {
    sql::Statement select(db, Reveal(scrambled::SqlSelectServerVariables));
    if (!select.Prepared()) ShowMessageBox(nullptr, sql::ErrorText(db), "GetServerSettings", MessageKind::Plain);
    while (select.StepRow()) variables[select.Text(0)] = select.Text(1);
    return static_cast<int>(variables.size());
  });
}

uint32_t Database::ReadProgramSettings() {
  return Guarded("There was an error retreiving the program settings.", 0u, [&](sqlite3* db) {
    sql::Statement select(db, Reveal(scrambled::SqlSelectSettings));
    return select.StepRow() ? static_cast<uint32_t>(select.Int(0)) : 0u;
  });
}

bool Database::WriteTempFlight(const FlightRecord& r) {
  return Guarded("There was an error writing the temp flight.", false, [&](sqlite3* db) {
    rows::Begin(db);
    {
      sql::Statement insert(db, Reveal(scrambled::SqlInsertTempFlight));
      insert.BindText(1, r.flightId);
      insert.BindInt64(2, r.startTime);
      insert.BindInt(3, r.flightMinutes);
      insert.BindInt(4, r.groundMinutesLeft);
      insert.BindInt64(5, static_cast<uint32_t>(r.fuelUsed));
      insert.BindDouble(6, r.landingRate);
      insert.BindInt(7, r.landingSpeed);
      insert.BindDouble(8, r.lastLatitude);
      insert.BindDouble(9, r.lastLongitude);
      insert.BindInt(10, r.lastFeedTime);
      insert.BindInt(11, r.flightPhase);
      insert.BindInt64(12, r.recordedTime);
      insert.BindInt64(13, r.groundTime);
      insert.BindInt(14, r.altitude);
      insert.BindInt(15, r.heading);
      insert.BindInt(16, r.trueAirspeed);
      insert.BindInt(17, r.currentFuel);
      insert.BindText(18, r.flightPlanFile);
      rows::BindPointCount(insert, 19, r.points);
      if (!insert.StepDone()) ShowMessageBox(owner, sql::ErrorText(db), "Write Temp Flight", MessageKind::Error);
    }
    {
      // After a failed insert there is no such row, and the open reports it.
      sql::PointBlob blob(db, Reveal(scrambled::TableTempFlights), sqlite3_last_insert_rowid(db), true);
      if (blob.Opened()) {
        blob.WritePoints(r.points);
      } else {
        ShowMessageBox(nullptr, sql::ErrorText(db), "DB Error", MessageKind::Plain);
      }
    }
    rows::Commit(db);
    return true;
  });
}

bool Database::WriteFlightReport(const FlightRecord& record) {
  return Guarded("There was an error writing the flight report", false, [&](sqlite3* db) {
    rows::Begin(db);
    // A failed insert leaves the transaction open; closing the connection rolls it back.
    if (!rows::InsertReport(db, owner, record)) return false;
    rows::DeleteTempFlight(db, owner, record.flightId);
    rows::Commit(db);
    return true;
  });
}

bool Database::WriteFlightReports(const std::vector<FlightRecord>& list) {
  return Guarded("There was an error writing the flight report list.", false, [&](sqlite3* db) {
    rows::Begin(db);
    sql::Exec(db, Reveal(scrambled::SqlDeleteReports));
    for (const FlightRecord& record : list) {
      // The old list stays whole unless every report of the new one is in.
      if (!rows::InsertReport(db, owner, record)) return false;
      rows::DeleteTempFlight(db, owner, record.flightId);
    }
    rows::Commit(db);
    rows::Vacuum(db);
    return true;
  });
}

void Database::WritePilotInfo(const PilotInfo& info) {
  Guarded("There was an error writing the pilot information.", false, [&](sqlite3* db) {
    const std::pair<std::string, std::string> pairs[] = {
        {"username", info.username}, {"password", info.password}, {"pilot_number", info.pilotNumber}};
    rows::Begin(db);
    rows::WritePairs(db, owner, Reveal(scrambled::SqlWritePilotInfo), pairs, "Error writing pilot info");
    rows::Commit(db);
    return true;
  });
}

bool Database::WriteServerVariables(const ServerVariables& variables) {
  return Guarded("There was an error writing the server settings.", false, [&](sqlite3* db) {
    rows::Begin(db);
    rows::WritePairs(db, owner, Reveal(scrambled::SqlWriteServerVariable), variables, "Error updating settings");
    rows::Commit(db);
    return true;
  });
}

bool Database::StoreServerVariablesReply(const std::string& reply) {
  ReplyMap variables;
  if (!ParseReply(reply, variables)) return false;
  return WriteServerVariables(variables);
}

bool Database::WriteProgramSettings(uint32_t word) {
  return Guarded("There was an error writing the program settings.", false, [&](sqlite3* db) {
    rows::Begin(db);
    {
      sql::Statement write(db, Reveal(scrambled::SqlWriteSetting));
      write.BindText(1, "settings");
      write.BindInt(2, static_cast<int32_t>(word));
      write.StepDone();
    }
    rows::Commit(db);
    return true;
  });
}

bool Database::RemoveTempFlight(const std::string& flightId) {
  return Guarded("There was an error deleting the temp flight.", false, [&](sqlite3* db) {
    rows::Begin(db);
    rows::DeleteTempFlight(db, owner, flightId);
    rows::Commit(db);
    return true;
  });
}

}  // namespace kestrix
