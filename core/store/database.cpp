#include "store/database.h"

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

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
    sql::Exec(db, "BEGIN TRANSACTION");
    create(Reveal(scrambled::SqlCreateSettings), "Error creating settings table.");
    {
      sql::Statement insert(db, Reveal(scrambled::SqlInsertSetting));
      for (const InitialSetting& setting : kInitialSettings) {
        insert.BindText(1, setting.name);
        insert.BindInt(2, setting.value);
        if (!insert.StepDone()) ShowMessageBox(owner, "Error adding settings data.", kCreationCaption, MessageKind::Error);
        insert.Reset();
      }
    }
    create(Reveal(scrambled::SqlCreatePilotInfo), "Error creating pilot info table.");
    create(Reveal(scrambled::SqlCreateServerVariables), "Error creating message window table.");
    create(Reveal(scrambled::SqlCreateFlights), "Error creating flight data table.");
    create(Reveal(scrambled::SqlCreateReports), "Error creating pirep table.");
    create(Reveal(scrambled::SqlCreateTempFlights), "Error creating temp flight table.");
    sql::Exec(db, "COMMIT TRANSACTION");
    return true;
  });
}

bool Database::Validate() {
  return Guarded("There was an error validating the database.", false, [&](sqlite3* db) {
    bool sound = false;
    {
      sql::Statement check(db, "PRAGMA integrity_check;");
      while (!sound && check.StepRow()) sound = check.Text(0) == "ok";
    }
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
