#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "airline/faults.h"
#include "store/records.h"

namespace kestrix::airline {

struct Pilot {
  std::string username;
  std::string password;
  std::string pilotNumber;  // digits only, as the program stores it
  std::string name;
  bool admin = false;  // may post administrator chat messages
};

// Positions of the values of a flight report upload.
enum class ReportField {
  PilotNumber = 0, LocalId = 2, Type, FlightId, Departure, DepartureName, Arrival, ArrivalName,
  AirlineIcao, AirlineName, FlightNumber, FlightMinutes, GroundMinutesLeft, LastLatitude,
  LastLongitude, LastFeedTime, FuelUsed, LandingRate, SavedTime = 20,
};
inline constexpr size_t kReportValueCount = 21;

struct StoredReport {
  std::string reportKey;
  // The values as sent; the airline name has its "0x38" turned back into "&".
  std::vector<std::string> values;
  bool filed = false;
  int declaredPoints = 0;  // point count the last point upload announced
  int pointRequests = 0;
  std::vector<FlightPoint> points;  // headings are not sent and stay 0
  std::string pendingBytes;         // bytes of a point cut between two chunks
  std::string chainKey;             // "REPORTID" of the last accepted point chunk

  const std::string& Field(ReportField field) const { return values[static_cast<size_t>(field)]; }
};

// Positions of the values of a live position report.
enum class LiveField {
  PilotNumber = 0, FlightKey, Altitude, Heading, TrueAirspeed, Departure, Arrival, Latitude,
  Longitude, Aircraft, MinutesFlown, ReportTime, FlightNumber, Airline, FuelRemaining,
  FuelCapacity, OutsideAirTemp, FuelUsed, LandingRate, GroundSpeed, Wind,
};
inline constexpr size_t kLiveValueCount = 21;

struct LivePosition {
  std::vector<std::string> values;
  int64_t receivedAt = 0;
  const std::string& Field(LiveField field) const { return values[static_cast<size_t>(field)]; }
};

struct FlightPlanUpload {
  std::string tempFilename;
  std::string pilotNumber;
  std::string flightId;
  std::string fileName;
  std::string text;                 // the chunks joined, as sent
  std::vector<int> chunksToCome;    // the "ch" value of every chunk received
  bool complete = false;            // the chunk with "ch" 0 has arrived
};

struct ChatEvent {
  int64_t sequence = 0;  // the chat's time stamp
  int64_t sentAt = 0;    // seconds since 1970
  std::string kind;      // "message", "private" or "admin"
  int from = 0;          // 0 for messages posted by the server itself
  int to = 0;            // recipient of a private message
  std::string text;
};

// One request as the server understood it.
struct LoggedRequest {
  Route route = Route::Unknown;
  std::string target;  // the raw request target
  std::string command; // deciphered command, empty for plain pages
  std::vector<std::string> values;
};

// The page of a path the server does not serve.
inline constexpr const char* kNotFoundPage =
    "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>";

struct Reply {
  int status = 200;
  std::string body;
  std::string contentType = "text/html";
};

// Everything the airline's server knows. Thread-safe: every member locks.
class AirlineState {
 public:
  AirlineState();

  // Replaces any pilot with the same user name or the same number.
  void AddPilot(const Pilot& pilot);
  std::optional<Pilot> FindPilot(const std::string& pilotNumber) const;

  // Size of the generated schedule of every pilot without a schedule of its own.
  void SetScheduleSize(size_t flights);
  // Gives a pilot a fixed schedule; name fields are sent as they are (entity-encoded),
  // empty "acftt" and "effdate" fields are left out of the record.
  void SetSchedule(const std::string& username, std::vector<AvailableFlight> flights);
  std::vector<AvailableFlight> Schedule(const std::string& username) const;

  void SetServerVariable(const std::string& name, const std::string& value);
  void RemoveServerVariable(const std::string& name);
  ServerVariables Variables() const;
  // Keys "ServerVars", "Version" and "UpdaterHash"; the hash follows the updater file
  // unless it was set explicitly.
  void SetVersionInfo(const std::string& key, const std::string& value);
  std::map<std::string, std::string> VersionInfo() const;
  void SetUpdaterFile(std::string bytes);

  // When set, opening the report page files the PIREP at once; otherwise the
  // page's "Complete PIREP" link does it.
  void SetFileOnReportView(bool on);

  std::vector<StoredReport> Reports() const;
  std::optional<StoredReport> ReportFor(const std::string& localId) const;
  // Puts a report on the server as if it had been uploaded; returns its key.
  std::string AddReport(const std::vector<std::string>& values);
  bool MarkFiled(const std::string& localId);

  std::map<std::string, LivePosition> LivePositions() const;  // by pilot number
  std::vector<FlightPlanUpload> FlightPlans() const;

  std::vector<ChatEvent> ChatEvents() const;
  std::set<int> ChatOnline() const;
  void SetChatOnline(int pilotNumber, bool online);
  // Posts a message from a pilot (or from the server when `from` is 0).
  void PostChat(const std::string& kind, int from, int to, const std::string& text);

  std::vector<LoggedRequest> Requests() const;
  void ClearRequests();

  // Which route a raw request target takes; also used to pick its fault.
  Route Classify(std::string_view target) const;
  // Serves one GET request for the raw target.
  Reply Handle(std::string_view target);
  // Logs a request that a fault answered instead of the server.
  void Note(std::string_view target);

 private:
  struct Impl;
  std::shared_ptr<Impl> impl;
};

}  // namespace kestrix::airline
