#include "store/database.h"

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "scrambled/store_strings.h"
#include "store/guarded_operation.h"
#include "store/sqlite_statement.h"
#include "store/string_protection.h"

namespace kestrix {
namespace {

// Long enough for the chat worker's reads and the UI thread's writes to wait
// for each other instead of failing.
constexpr int kBusyTimeoutMs = 5000;
// How long a reset waits for other connections to let go of the file.
constexpr int kResetLockTimeoutMs = 500;

constexpr const char* kCreationCaption = "Database Creation";

std::string KeyStatement() {
  std::string statement = Reveal(scrambled::SqlKey);
  std::string key = Reveal(scrambled::DbKey);
  if (const auto slot = statement.find("%s"); slot != std::string::npos) statement.replace(slot, 2, key);
  std::fill(key.begin(), key.end(), '\0');
  return statement;
}

// Supplies the key; the statement text is wiped once SQLite has it.
bool ApplyKey(sqlite3* db) {
  std::string statement = KeyStatement();
  const bool keyed = sql::Exec(db, statement);
  std::fill(statement.begin(), statement.end(), '\0');
  return keyed;
}

// The six tables in creation order, each with the message its failure shows.
std::vector<std::pair<std::string, const char*>> TableDefinitions() {
  return {{Reveal(scrambled::SqlCreateSettings), "Error creating settings table."},
          {Reveal(scrambled::SqlCreatePilotInfo), "Error creating pilot info table."},
          {Reveal(scrambled::SqlCreateServerVariables), "Error creating message window table."},
          {Reveal(scrambled::SqlCreateFlights), "Error creating flight data table."},
          {Reveal(scrambled::SqlCreateReports), "Error creating pirep table."},
          {Reveal(scrambled::SqlCreateTempFlights), "Error creating temp flight table."}};
}

// A pragma about one table or index; the name is quoted so that no name can
// change the statement.
std::string PragmaAbout(std::string pragma, const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string(2, c) : std::string(1, c);
  quoted += '"';
  pragma.replace(pragma.find("%s"), 2, quoted);
  return pragma;
}

// What the store's statements rely on in one table: its columns in order
// (name, declared type, place in the primary key) and the column lists of its
// unique indexes, which decide what INSERT OR REPLACE replaces. Empty when the
// table is missing.
std::vector<std::string> TableLayout(sqlite3* db, const std::string& table) {
  std::vector<std::string> layout;
  {
    sql::Statement columns(db, PragmaAbout(Reveal(scrambled::SqlTableInfo), table));
    while (columns.StepRow()) layout.push_back(columns.Text(1) + ' ' + columns.Text(2) + ' ' + columns.Text(5));
  }
  std::vector<std::string> uniqueIndexes;
  {
    sql::Statement indexes(db, PragmaAbout(Reveal(scrambled::SqlIndexList), table));
    while (indexes.StepRow()) {
      if (indexes.Int(2) != 0) uniqueIndexes.push_back(indexes.Text(1));
    }
  }
  std::vector<std::string> keys;
  for (const std::string& index : uniqueIndexes) {
    std::string key = "unique";
    sql::Statement columns(db, PragmaAbout(Reveal(scrambled::SqlIndexInfo), index));
    while (columns.StepRow()) key += ' ' + columns.Text(2);
    keys.push_back(key);
  }
  std::sort(keys.begin(), keys.end());
  layout.insert(layout.end(), keys.begin(), keys.end());
  return layout;
}

// True when every table of our definitions is in `db` with the layout the
// definitions give. The reference is built from the same definitions in
// memory, so the two can never drift apart.
bool HasOurLayout(sqlite3* db) {
  sqlite3* reference = nullptr;
  bool same = sqlite3_open(":memory:", &reference) == SQLITE_OK;
  for (const auto& [definition, failure] : TableDefinitions()) same = same && sql::Exec(reference, definition);
  std::vector<std::string> tables;
  if (same) {
    sql::Statement select(reference, Reveal(scrambled::SqlSelectTables));
    while (select.StepRow()) tables.push_back(select.Text(0));
  }
  for (const std::string& table : tables) same = same && TableLayout(db, table) == TableLayout(reference, table);
  sqlite3_close(reference);
  return same;
}

struct InitialSetting {
  const char* name;
  int32_t value;
};
constexpr InitialSetting kInitialSettings[] = {
    {"dbVersionHigh", 3}, {"dbVersionLow", 1}, {"settings", static_cast<int32_t>(ProgramSettings::Default)}};

}  // namespace

Database::~Database() {
  if (open) Close();
}

bool Database::Open() {
  sqlite3* db = nullptr;
  if (sqlite3_open(kDatabaseFile, &db) != SQLITE_OK) {
    ShowMessageBox(owner, sql::ErrorText(db), "Database Error", MessageKind::Error);
    sqlite3_close(db);
    open = false;
    return false;
  }
  if (!ApplyKey(db)) {
    ShowMessageBox(owner, "Can't encrypt database", "Open Database", MessageKind::Error);
    sqlite3_close(db);
    open = false;
    return false;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  connection = db;
  open = true;
  return true;
}

void Database::Close() {
  sqlite3_close(connection);
  connection = nullptr;
  open = false;
}

void Database::CreateSchema() {
  Guarded("There was an error creating the database.", false, [&](sqlite3* db) {
    const auto create = [&](const std::string& definition, const char* failure) {
      if (!sql::Exec(db, definition)) ShowMessageBox(owner, failure, kCreationCaption, MessageKind::Error);
    };
    const auto tables = TableDefinitions();
    sql::Exec(db, "BEGIN TRANSACTION");
    create(tables.front().first, tables.front().second);
    {
      sql::Statement insert(db, Reveal(scrambled::SqlInsertSetting));
      for (const InitialSetting& setting : kInitialSettings) {
        insert.BindText(1, setting.name);
        insert.BindInt(2, setting.value);
        if (!insert.StepDone()) ShowMessageBox(owner, "Error adding settings data.", kCreationCaption, MessageKind::Error);
        insert.Reset();
      }
    }
    for (auto table = tables.begin() + 1; table != tables.end(); ++table) create(table->first, table->second);
    sql::Exec(db, "COMMIT TRANSACTION");
    return true;
  });
}

void Database::CreateIfMissing() {
  // The file appears as the creation opens it and gets its pages only when
  // the creation commits, so a creation killed on its way leaves it empty (or
  // with a journal that rolls it back to empty) and nothing in it to keep.
  bool empty = !std::filesystem::exists(kDatabaseFile);
  sqlite3* db = nullptr;
  if (!empty && sqlite3_open_v2(kDatabaseFile, &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK && ApplyKey(db)) {
    sql::Statement pages(db, Reveal(scrambled::SqlPageCount));
    // A file that cannot be read is left to validation.
    empty = pages.StepRow() && pages.Int64(0) == 0;
  }
  sqlite3_close(db);
  if (empty) CreateSchema();
}

bool Database::Validate() {
  return Guarded("There was an error validating the database.", false, [&](sqlite3* db) {
    bool sound = false;
    {
      sql::Statement check(db, "PRAGMA integrity_check;");
      while (!sound && check.StepRow()) sound = check.Text(0) == "ok";
    }
    // A sound file with our key can still be laid out otherwise: it would read
    // as empty while every write failed.
    sound = sound && HasOurLayout(db);
    if (!sound) ShowMessageBox(owner, "The database seems to be invalid.", "Database Validate", MessageKind::Error);
    return sound;
  });
}

bool Database::DeleteFile() {
  // Deleting a file that another connection is using would lose its work, so
  // the file goes only while no one else holds it.
  sqlite3* db = nullptr;
  bool held = false;
  if (sqlite3_open_v2(kDatabaseFile, &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK && ApplyKey(db)) {
    sqlite3_busy_timeout(db, kResetLockTimeoutMs);
    char* error = nullptr;
    held = sqlite3_exec(db, Reveal(scrambled::SqlBeginExclusive).c_str(), nullptr, nullptr, &error) == SQLITE_BUSY;
    sqlite3_free(error);
  }
  std::error_code failure;
  if (!held) {
    std::filesystem::remove(kDatabaseFile, failure);
    // A journal left beside the new file would be played back into it.
    if (!failure) std::filesystem::remove(std::string(kDatabaseFile) + "-journal", failure);
  }
  sqlite3_close(db);
  if (held || failure) {
    ShowMessageBox(owner, "There was an error deleting the database.", "Reset Database", MessageKind::Error);
    return false;
  }
  return true;
}

bool Database::Reset() {
  std::vector<AvailableFlight> flights;
  PilotInfo pilot;
  ServerVariables variables;
  ReadAvailableFlights(flights);
  ReadPilotInfo(pilot);
  ReadServerVariables(variables);
  if (!DeleteFile()) return false;
  CreateSchema();
  WritePilotInfo(pilot);
  WriteServerVariables(variables);
  std::erase_if(flights, [](const AvailableFlight& f) { return !(f.status & FlightStatus::StatusRemoved); });
  WriteAvailableFlights(flights, false);
  return true;
}

}  // namespace kestrix
