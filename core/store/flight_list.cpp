#include <iterator>
#include <string_view>
#include <utility>
#include <unordered_map>
#include <unordered_set>

#include "scrambled/store_strings.h"
#include "protocol/reply_format.h"
#include "store/database.h"
#include "store/guarded_operation.h"
#include "store/sqlite_statement.h"
#include "store/store_rows.h"
#include "store/string_protection.h"

namespace kestrix {
namespace {

using namespace FlightStatus;

bool Has(int32_t status, int32_t bit) { return (status & bit) != 0; }

// A stored GUID flight that the server reported as filed is offered afresh.
template <typename Stored>
bool StartsAfresh(const Stored& stored) {
  return IsGuidString(stored.flightId) && Has(stored.status, StatusFiled);
}

// Deletes the flights (or marks them removed) with their reports and
// temporary flights; false when the stored list cannot be read or a report
// cannot be deleted, so that the caller's transaction is dropped whole.
bool RemoveFlightRows(sqlite3* db, WindowHandle owner, const std::vector<std::string>& flightIds, bool markRemoved) {
  std::vector<AvailableFlight> flights;
  if (!rows::ReadFlights(db, flights)) return false;
  const std::unordered_set<std::string_view> removed(flightIds.begin(), flightIds.end());
  const auto isRemoved = [&](const AvailableFlight& f) { return removed.contains(f.flightId); };
  if (markRemoved) {
    for (AvailableFlight& f : flights) {
      if (isRemoved(f)) f.status = StatusRemoved;
    }
  } else {
    std::erase_if(flights, isRemoved);
  }
  sql::Statement reports(db, Reveal(scrambled::SqlDeleteFlightReports));
  sql::Statement tempFlight(db, Reveal(scrambled::SqlDeleteTempFlight));
  for (const std::string& id : flightIds) {
    reports.BindText(1, id);
    if (!reports.StepDone()) return false;
    reports.Reset();
    tempFlight.BindText(1, id);
    if (!tempFlight.StepDone()) {
      ShowMessageBox(owner, "Error removing the temp flight.", kProgramCaption, MessageKind::Error);
    }
    tempFlight.Reset();
  }
  rows::WriteFlights(db, owner, flights);
  return true;
}

// A stored entry that no downloaded entry matches and that the merged list keeps,
// with the status it is kept with.
struct KeptFlight {
  size_t index;
  int32_t status;
};

// Each downloaded entry takes its values from the last stored entry of its
// flight id, since every stored match overwrites both fields. A stored entry
// that starts afresh clears its status at its first match, so only the first
// downloaded entry of that id loses its local id as well. Returns the stored
// entries to append, in stored order. `Stored` is a whole stored flight or its key.
template <typename Stored>
std::vector<KeptFlight> MatchStoredFlights(const std::vector<Stored>& stored, std::vector<AvailableFlight>& downloaded) {
  struct StoredId {
    size_t last;  // index of the last stored entry with this id
    bool listed;  // the merged list holds an entry with this id
  };
  std::unordered_map<std::string_view, StoredId> ids;
  ids.reserve(stored.size());
  for (size_t i = 0; i < stored.size(); ++i) ids.insert_or_assign(stored[i].flightId, StoredId{i, false});

  for (AvailableFlight& entry : downloaded) {
    const auto match = ids.find(entry.flightId);
    if (match == ids.end()) continue;
    const Stored& source = stored[match->second.last];
    const bool firstMatch = !std::exchange(match->second.listed, true);
    if (StartsAfresh(source) && firstMatch) {
      entry.localId.clear();
      entry.status = 0;
    } else {
      entry.localId = source.localId;
      entry.status = StartsAfresh(source) || Has(source.status, StatusRetained) ? 0 : source.status;
    }
  }

  // A stored entry that no entry of the merged list matches, counting the
  // entries appended here, is kept when completed, and once when removed.
  std::vector<KeptFlight> kept;
  for (size_t i = 0; i < stored.size(); ++i) {
    bool& listed = ids.find(stored[i].flightId)->second.listed;
    if (listed) continue;
    int32_t status = stored[i].status;
    if (Has(status, StatusRemoved)) {
      if (Has(status, StatusRetained)) continue;
      status |= StatusRetained;
    } else if (!Has(status, StatusCompleted)) {
      continue;
    }
    kept.push_back({i, status});
    listed = true;
  }
  return kept;
}

// The merge of WriteAvailableFlights, on the stored list's keys: only the
// kept entries are read whole, so a stored schedule is never held beside the
// downloaded one. False when the stored list cannot be read.
bool MergeStoredFlights(sqlite3* db, std::vector<AvailableFlight>& downloaded) {
  std::vector<rows::StoredFlightKey> stored;
  // Without the stored list a merge would lose every kept status.
  if (!rows::ReadFlightKeys(db, stored)) return false;
  const std::vector<KeptFlight> kept = MatchStoredFlights(stored, downloaded);
  std::vector<int64_t> keptRows;
  keptRows.reserve(kept.size());
  for (const KeptFlight& k : kept) keptRows.push_back(stored[k.index].rowId);
  std::vector<rows::StoredFlightKey>().swap(stored);
  const size_t first = downloaded.size();
  downloaded.reserve(first + kept.size());
  if (!rows::AppendFlightRows(db, keptRows, downloaded)) return false;
  for (size_t i = 0; i < kept.size(); ++i) downloaded[first + i].status = kept[i].status;
  return true;
}

}  // namespace

void MergeAvailableFlights(std::vector<AvailableFlight> stored, std::vector<AvailableFlight>& downloaded) {
  const std::vector<KeptFlight> kept = MatchStoredFlights(stored, downloaded);
  std::vector<AvailableFlight> appended;
  appended.reserve(kept.size());
  for (const KeptFlight& k : kept) {
    appended.push_back(std::move(stored[k.index]));
    appended.back().status = k.status;
  }
  // The download grows into a new block; with the stored list gone first, no
  // moment holds both whole lists beside the grown one.
  std::vector<AvailableFlight>().swap(stored);
  downloaded.reserve(downloaded.size() + appended.size());
  std::move(appended.begin(), appended.end(), std::back_inserter(downloaded));
}

int32_t StatusAfterRequest(int32_t current, int32_t request) {
  switch (request) {
    case StatusRequest::ToggleInProgress:
      return current == 0 ? 0 : current ^ StatusInProgress;
    case StatusRequest::Completed:
    case StatusRequest::InProgress:
    case StatusRequest::RefuelingStop:
      return request;
    case StatusRequest::Filed:
      return StatusFiled | StatusRemoved;
    case StatusRequest::Removed:
      return current | StatusRemoved;
    default:
      return 0;
  }
}

bool Database::WriteAvailableFlights(std::vector<AvailableFlight>& list, bool merge) {
  return Guarded("There was an error writing the available flights.", false, [&](sqlite3* db) {
    rows::Begin(db);
    if (merge && !MergeStoredFlights(db, list)) return false;
    rows::WriteFlights(db, owner, list);
    rows::Commit(db);
    rows::Vacuum(db);
    return true;
  });
}

bool Database::SetFlightStatus(const std::string& flightId, int32_t request) {
  return Guarded("There was an error setting the flights status.", false, [&](sqlite3* db) {
    rows::Begin(db);
    int32_t status = 0;
    {
      sql::Statement select(db, Reveal(scrambled::SqlSelectFlightStatus));
      select.BindText(1, flightId);
      if (!select.StepRow()) return true;
      status = StatusAfterRequest(select.Int(0), request);
    }
    sql::Statement update(db, Reveal(scrambled::SqlUpdateFlightStatus));
    update.BindInt(1, status);
    update.BindText(2, flightId);
    update.StepDone();
    rows::Commit(db);
    return true;
  });
}

bool Database::RemoveFlights(const std::vector<std::string>& flightIds, bool markRemoved) {
  return Guarded("There was an error removing the flight(s).", false, [&](sqlite3* db) {
    rows::Begin(db);
    if (!RemoveFlightRows(db, owner, flightIds, markRemoved)) return false;
    rows::Commit(db);
    rows::Vacuum(db);
    return true;
  });
}

bool Database::ClearFlightList() {
  return Guarded("There was an error clearing the flights flights list.", false, [&](sqlite3* db) {
    rows::Begin(db);
    std::vector<AvailableFlight> flights;
    if (!rows::ReadFlights(db, flights) || flights.empty()) return false;
    std::erase_if(flights, [](const AvailableFlight& f) {
      return !Has(f.status, StatusCompleted | StatusRemoved) || Has(f.status, StatusFiled);
    });
    rows::WriteFlights(db, owner, flights);
    rows::Commit(db);
    rows::Vacuum(db);
    return true;
  });
}

bool Database::PurgeOrphanReports() {
  return Guarded("There was an error removing the flight(s).", false, [&](sqlite3* db) {
    rows::Begin(db);
    std::vector<FlightRecord> reports;
    const bool reportsRead = rows::ReadReports(db, reports, false);
    // A list that cannot be read must not make every report look orphaned.
    // Without reports there is nothing to purge and no reason to read a whole schedule.
    std::vector<AvailableFlight> flights;
    const bool listRead = reports.empty() ? rows::FlightsReadable(db) : rows::ReadFlights(db, flights);
    if (!listRead || !reportsRead) return false;
    std::unordered_set<std::string_view> listed;
    for (const AvailableFlight& f : flights) listed.insert(f.flightId);
    std::vector<std::string> orphans;
    for (const FlightRecord& r : reports) {
      if (!listed.contains(r.flightId)) orphans.push_back(r.flightId);
    }
    if (orphans.empty()) return true;
    if (!RemoveFlightRows(db, owner, orphans, !flights.empty())) return false;
    rows::Commit(db);
    rows::Vacuum(db);
    return true;
  });
}

}  // namespace kestrix
