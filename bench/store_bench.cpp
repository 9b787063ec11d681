// Costs of the encrypted store: one short operation's connection frame with and
// without the cipher, the bulk rewrite of the flight list, the merge step, and
// the memory a merging write takes in a process of its own.
#include <sqlcipher/sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "literal_merge.h"
#include "scrambled/store_strings.h"
#include "store/database.h"
#include "store/string_protection.h"

namespace {

using namespace kestrix;
namespace fs = std::filesystem;
using bench::Print;
using bench::Seconds;

constexpr int kFlights = 50000;

// Median microseconds of each piece of work, the pieces taking turns so that
// each sees the same load of the machine.
std::vector<double> InterleavedMedians(int runs, const std::vector<std::function<void()>>& works) {
  std::vector<std::vector<double>> samples(works.size());
  for (int i = 0; i < runs; ++i) {
    for (size_t w = 0; w < works.size(); ++w) samples[w].push_back(Seconds(works[w]) * 1e6);
  }
  std::vector<double> medians;
  for (auto& s : samples) {
    std::sort(s.begin(), s.end());
    medians.push_back(s[s.size() / 2]);
  }
  return medians;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "store_bench: %s failed\n", what);
    std::exit(1);
  }
}

void Run(sqlite3* db, const std::string& text) {
  Check(sqlite3_exec(db, text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK, text.c_str());
}

const std::string& RawKeyStatement() {
  static const std::string statement = [] {
    std::string s = Reveal(scrambled::SqlKey);
    s.replace(s.find("%s"), 2, Reveal(scrambled::DbKey));
    return s;
  }();
  return statement;
}
const std::string kPassphraseStatement = "pragma key = 'a passphrase that runs through key derivation'";

const std::vector<std::string>& SchemaStatements() {
  static const std::vector<std::string> statements = {
      Reveal(scrambled::SqlCreateSettings), Reveal(scrambled::SqlCreatePilotInfo),
      Reveal(scrambled::SqlCreateServerVariables), Reveal(scrambled::SqlCreateFlights),
      Reveal(scrambled::SqlCreateReports), Reveal(scrambled::SqlCreateTempFlights)};
  return statements;
}

// A file with the six tables and the settings word, keyed by `keyStatement` (none when empty).
void MakeFile(const char* path, const std::string& keyStatement) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(path, &db) == SQLITE_OK, "open");
  if (!keyStatement.empty()) Run(db, keyStatement);
  for (const auto& statement : SchemaStatements()) Run(db, statement);
  Run(db, "insert into settings values ('settings', 262659)");
  sqlite3_close(db);
}

// Open, key, read the settings word, close: the frame every store operation pays.
void Frame(const char* path, const std::string& keyStatement) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(path, &db) == SQLITE_OK, "open");
  if (!keyStatement.empty()) Run(db, keyStatement);
  sqlite3_stmt* select = nullptr;
  Check(sqlite3_prepare_v2(db, Reveal(scrambled::SqlSelectSettings).c_str(), -1, &select, nullptr) == SQLITE_OK,
        "prepare");
  Check(sqlite3_step(select) == SQLITE_ROW && sqlite3_column_int(select, 0) == 262659, "settings read");
  sqlite3_finalize(select);
  sqlite3_close(db);
}

AvailableFlight MakeFlight(int id, int32_t status) {
  AvailableFlight f;
  f.localId = "0f8fad5b-d9cb-469f-a165-" + std::to_string(100000000000 + id);
  f.type = "SCH";
  f.flightId = std::to_string(1000000 + id);
  f.departure = "KSEA";
  f.departureName = "Seattle Tacoma International";
  f.arrival = "KPDX";
  f.arrivalName = "Portland International";
  f.airlineIcao = "HVN";
  f.flightNumber = std::to_string(id % 9000);
  f.airlineName = "Halvorn Virtual";
  f.aircraftType = "B738";
  f.effectiveDate = "1800000000";
  f.expiryDate = "2030-12-31";
  f.status = status;
  return f;
}

// The stored list, and a download that lists most of it again (some ids twice) and some new flights.
std::vector<AvailableFlight> StoredFlights() {
  std::vector<AvailableFlight> list;
  list.reserve(kFlights);
  const int32_t statuses[] = {0, FlightStatus::StatusCompleted, FlightStatus::StatusRemoved, 0};
  for (int i = 0; i < kFlights; ++i) list.push_back(MakeFlight(i, statuses[i % 4]));
  return list;
}

std::vector<AvailableFlight> DownloadedFlights() {
  std::vector<AvailableFlight> list;
  list.reserve(kFlights);
  for (int i = 0; i < kFlights; ++i) list.push_back(MakeFlight(i % 10 == 9 ? i - 1 : i + kFlights / 10, 0));
  return list;
}

// The floor of a list rewrite: delete, one prepared insert per row, commit, vacuum.
double BareWrite(const std::vector<AvailableFlight>& list) {
  return Seconds([&] {
    sqlite3* db = nullptr;
    Check(sqlite3_open(kDatabaseFile, &db) == SQLITE_OK, "open");
    Run(db, RawKeyStatement());
    Run(db, "BEGIN TRANSACTION");
    Run(db, "DELETE FROM flights_data");
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db, Reveal(scrambled::SqlInsertFlight).c_str(), -1, &insert, nullptr) == SQLITE_OK,
          "prepare insert");
    for (const auto& f : list) {
      const std::string* texts[] = {&f.localId,      &f.type,        &f.flightId,     &f.departure,    &f.departureName,
                                    &f.arrival,      &f.arrivalName, &f.airlineIcao,  &f.flightNumber, &f.airlineName,
                                    &f.aircraftType, &f.effectiveDate, &f.expiryDate};
      for (int i = 0; i < 13; ++i) sqlite3_bind_text(insert, i + 1, texts[i]->c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(insert, 14, f.status);
      Check(sqlite3_step(insert) == SQLITE_DONE, "insert");
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Run(db, "COMMIT TRANSACTION");
    Run(db, "VACUUM");
    sqlite3_close(db);
  });
}

// Merges a download into a store that holds a whole schedule, each step in a
// child of its own so that only the merging write counts; -1 when a step failed.
double MergeWriteRssMb() {
  const auto storeSchedule = [] {
    auto list = StoredFlights();
    return Database().WriteAvailableFlights(list, false);
  };
  const auto mergeDownload = [] {
    auto list = DownloadedFlights();
    return Database().WriteAvailableFlights(list, true);
  };
  if (bench::ChildPeakRssMb(storeSchedule) < 0) return -1;
  return bench::ChildPeakRssMb(mergeDownload);
}

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

}  // namespace

int main() {
  const fs::path previous = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("store_bench_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);

  Database().CreateSchema();
  // Before this process holds a schedule of its own, which a child would start out with.
  Print("store.merge_write_rss_mb.50000", MergeWriteRssMb());
  MakeFile("plain.db", "");
  MakeFile("passphrase.db", kPassphraseStatement);

  const auto frames = InterleavedMedians(501, {[] { Frame("plain.db", ""); },
                                               [] { Frame(kDatabaseFile, RawKeyStatement()); },
                                               [] { Check(Database().ReadProgramSettings() != 0, "read"); }});
  const double plain = frames[0], rawKey = frames[1], storeFrame = frames[2];
  const double passphrase = InterleavedMedians(9, {[] { Frame("passphrase.db", kPassphraseStatement); }})[0];
  Print("store.frame_us.plain_sqlite", plain);
  Print("store.frame_us.cipher_raw_key", rawKey);
  Print("store.frame_us.cipher_passphrase", passphrase);
  Print("store.frame_us.read_program_settings", storeFrame);

  const std::vector<AvailableFlight> stored = StoredFlights();
  const std::vector<AvailableFlight> downloaded = DownloadedFlights();
  {
    auto list = stored;
    Check(Database().WriteAvailableFlights(list, false), "initial write");
  }
  const double bare = BareWrite(stored);
  auto merged = downloaded;
  const double mergeWrite = Seconds([&] { Check(Database().WriteAvailableFlights(merged, true), "merge write"); });
  Print("store.bare_write_s.50000", bare);
  Print("store.merge_write_s.50000", mergeWrite);

  auto linear = downloaded;
  // The merge takes the stored list over, as the write hands it the list it read.
  auto storedCopy = stored;
  const double linearMerge = Seconds([&] { MergeAvailableFlights(std::move(storedCopy), linear); });
  auto literal = downloaded;
  const double literalMerge = Seconds([&] { oracle::LiteralMerge(stored, literal); });
  Check(linear == literal && linear == merged, "merge results agree");
  Print("store.merge_only_s.literal.50000", literalMerge);
  Print("store.merge_only_s.linear.50000", linearMerge);
  Print("store.merged_entries.50000", static_cast<double>(linear.size()));

  Print("store.peak_rss_mb", PeakRssMb());
  Print("store.ratio.raw_vs_plain", rawKey / plain);
  Print("store.ratio.passphrase_vs_raw", passphrase / rawKey);
  Print("store.ratio.merge_write_vs_bare", mergeWrite / bare);
  Print("store.ratio.literal_vs_linear", literalMerge / linearMerge);

  fs::current_path(previous);
  fs::remove_all(dir);
  return 0;
}
