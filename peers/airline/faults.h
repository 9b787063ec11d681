#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace kestrix::airline {

// What a request is, as far as the fault switches are concerned.
enum class Route {
  Any,  // matches every request; a route's own fault wins over it
  ServerVariables,
  VersionInfo,
  VerifyPilot,
  Schedule,
  CheckReportMissing,
  CheckFlightFiled,
  GetReportKey,
  UploadReport,
  UploadPoints,
  RemoveFlight,
  LiveReport,
  ChatUsers,
  ChatExchange,
  ChatPresence,
  FlightPlan,
  ReportPage,
  Ticket,
  Updater,
  Unknown,  // a path or command the server does not serve
};

// Command-line names: "any", "server-vars", "version", "verify-pilot", "schedule",
// "report-missing", "flight-filed", "report-key", "upload-report", "upload-points",
// "remove-flight", "live-report", "chat-users", "chat-exchange", "chat-presence",
// "flight-plan", "report-page", "ticket", "updater", "unknown".
const char* RouteName(Route route);
std::optional<Route> RouteFromName(const std::string& name);

enum class FaultKind {
  None,
  Error,     // body "ERROR:" + text (text defaults to "Injected failure.")
  Empty,     // 200 with an empty body
  NotFound,  // 404 with a "Not Found" page
  Slow,      // waits delayMs, then answers normally
  Silent,    // reads the request, waits delayMs (default 30 s), closes without a byte
  CutBody,   // announces the whole body, sends half of it, closes the connection
};

// Names: "error", "empty", "not-found", "slow", "silent", "cut".
const char* FaultKindName(FaultKind kind);
std::optional<FaultKind> FaultKindFromName(const std::string& name);

struct Fault {
  FaultKind kind = FaultKind::None;
  std::string text;    // message of an Error fault
  int64_t delayMs = 0; // Slow and Silent
  int times = -1;      // how many requests it hits; -1 = until cleared
};

// Parses "KIND[:ARG]" (ARG = message for error, milliseconds for slow/silent).
std::optional<Fault> ParseFault(const std::string& text);

// Thread-safe table of faults by route.
class FaultSwitch {
 public:
  void Set(Route route, Fault fault);
  void Clear(Route route);
  void ClearAll();
  // The fault that hits this request (consuming one of its `times`), if any.
  std::optional<Fault> Take(Route route);

 private:
  std::optional<Fault> TakeFrom(Route key);

  std::mutex mutex;
  std::map<Route, Fault> faults;
};

}  // namespace kestrix::airline
