#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "store/records.h"

struct sqlite3;

namespace kestrix {

// The encrypted database file, relative to the working directory.
inline constexpr const char* kDatabaseFile = "Kestrix2.db";

// Requests of Database::SetFlightStatus.
namespace StatusRequest {
inline constexpr int32_t ToggleInProgress = 0;
inline constexpr int32_t Completed = 1;
inline constexpr int32_t InProgress = 2;
inline constexpr int32_t RefuelingStop = 4;
inline constexpr int32_t Clear = 0x1000;
inline constexpr int32_t Filed = 0x100000;
inline constexpr int32_t Removed = 0x10000000;
}  // namespace StatusRequest

// The short-lived store object. Every operation opens its own connection when
// none is open and closes it before returning; failures are shown to the pilot
// in message boxes and reported through the result, never thrown.
class Database {
 public:
  Database() = default;
  explicit Database(WindowHandle owner) : owner(owner) {}
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Owner window of the store's own message boxes; null for none.
  void SetOwner(WindowHandle window) { owner = window; }
  WindowHandle Owner() const { return owner; }
  bool IsOpen() const { return open; }

  bool Open();
  void Close();
  // Creates the six tables and the initial settings rows; failures are shown only.
  void CreateSchema();
  // Creates the schema when the file holds no database yet: when it is missing,
  // or when a creation cut short left it empty.
  void CreateIfMissing();
  bool Validate();
  // Rebuilds the file, keeping the pilot's identity, the server variables and
  // the removed flights.
  bool Reset();

  int ReadAvailableFlights(std::vector<AvailableFlight>& list);
  bool ReadAvailableFlight(const std::string& flightId, AvailableFlight& flight);
  bool ReadTempFlightIds(std::vector<std::string>& ids);
  // Number of reports, or -1 when the database cannot be opened.
  int ReadFlightReports(std::vector<FlightRecord>& list, bool withPoints);
  bool ReadTempFlight(const std::string& flightId, FlightRecord& record, bool withPoints, bool keepFlightPlan);
  bool ReadPilotInfo(PilotInfo& info);
  // Adds the stored variables to `variables`; returns its size afterwards.
  int ReadServerVariables(ServerVariables& variables);
  // The settings word, 0 when there is none.
  uint32_t ReadProgramSettings();

  bool WriteTempFlight(const FlightRecord& record);
  // Stores the report with its points and drops the temporary flight of its flight id.
  bool WriteFlightReport(const FlightRecord& record);
  // Replaces every stored report by `list`.
  bool WriteFlightReports(const std::vector<FlightRecord>& list);
  void WritePilotInfo(const PilotInfo& info);
  bool WriteServerVariables(const ServerVariables& variables);
  // Parses a one-record server reply and writes its pairs; false when the
  // reply has no record shape or the database cannot be opened.
  bool StoreServerVariablesReply(const std::string& reply);
  bool WriteProgramSettings(uint32_t word);
  bool RemoveTempFlight(const std::string& flightId);

  // Replaces the stored list by `list`; with `merge`, `list` is first merged
  // with the stored flights in place (MergeAvailableFlights).
  bool WriteAvailableFlights(std::vector<AvailableFlight>& list, bool merge);
  bool SetFlightStatus(const std::string& flightId, int32_t request);
  // Deletes the flights (or marks them removed) with their reports and temporary flights.
  bool RemoveFlights(const std::vector<std::string>& flightIds, bool markRemoved);
  bool ClearFlightList();
  bool PurgeOrphanReports();

 private:
  // Runs `body` on an open connection and closes it afterwards; an exception
  // out of `body` is shown as `failureText` and gives `failed`.
  template <typename Result, typename Body>
  Result Guarded(const char* failureText, Result failed, Body&& body);
  // Deletes the file unless another connection holds it; tells the pilot when it cannot.
  bool DeleteFile();

  sqlite3* connection = nullptr;
  bool open = false;
  WindowHandle owner = nullptr;
};

// The merge that WriteAvailableFlights makes with the stored list (reading
// whole rows only of the flights it keeps): `downloaded` takes the local ids and
// statuses of the stored flights it lists again, and gains the stored flights
// that are kept although the download no longer lists them. The stored list is
// taken over and released before the download grows.
void MergeAvailableFlights(std::vector<AvailableFlight> stored, std::vector<AvailableFlight>& downloaded);

// The status that a SetFlightStatus request gives a flight whose status is `current`.
int32_t StatusAfterRequest(int32_t current, int32_t request);

}  // namespace kestrix
