#include "airline/faults.h"

#include <array>
#include <charconv>
#include <utility>

namespace kestrix::airline {
namespace {

constexpr std::array<std::pair<Route, const char*>, 20> kRouteNames{{
    {Route::Any, "any"},
    {Route::ServerVariables, "server-vars"},
    {Route::VersionInfo, "version"},
    {Route::VerifyPilot, "verify-pilot"},
    {Route::Schedule, "schedule"},
    {Route::CheckReportMissing, "report-missing"},
    {Route::CheckFlightFiled, "flight-filed"},
    {Route::GetReportKey, "report-key"},
    {Route::UploadReport, "upload-report"},
    {Route::UploadPoints, "upload-points"},
    {Route::RemoveFlight, "remove-flight"},
    {Route::LiveReport, "live-report"},
    {Route::ChatUsers, "chat-users"},
    {Route::ChatExchange, "chat-exchange"},
    {Route::ChatPresence, "chat-presence"},
    {Route::FlightPlan, "flight-plan"},
    {Route::ReportPage, "report-page"},
    {Route::Ticket, "ticket"},
    {Route::Updater, "updater"},
    {Route::Unknown, "unknown"},
}};

constexpr std::array<std::pair<FaultKind, const char*>, 7> kFaultNames{{
    {FaultKind::None, "none"},
    {FaultKind::Error, "error"},
    {FaultKind::Empty, "empty"},
    {FaultKind::NotFound, "not-found"},
    {FaultKind::Slow, "slow"},
    {FaultKind::Silent, "silent"},
    {FaultKind::CutBody, "cut"},
}};

template <typename Key, size_t N>
const char* NameOf(const std::array<std::pair<Key, const char*>, N>& table, Key key) {
  for (const auto& [k, name] : table)
    if (k == key) return name;
  return "";
}

template <typename Key, size_t N>
std::optional<Key> KeyOf(const std::array<std::pair<Key, const char*>, N>& table, const std::string& name) {
  for (const auto& [k, n] : table)
    if (name == n) return k;
  return std::nullopt;
}

}  // namespace

const char* RouteName(Route route) { return NameOf(kRouteNames, route); }
std::optional<Route> RouteFromName(const std::string& name) { return KeyOf(kRouteNames, name); }
const char* FaultKindName(FaultKind kind) { return NameOf(kFaultNames, kind); }
std::optional<FaultKind> FaultKindFromName(const std::string& name) { return KeyOf(kFaultNames, name); }

std::optional<Fault> ParseFault(const std::string& text) {
  const auto colon = text.find(':');
  const auto kind = FaultKindFromName(text.substr(0, colon));
  if (!kind) return std::nullopt;
  Fault fault;
  fault.kind = *kind;
  if (colon == std::string::npos) return fault;
  const std::string argument = text.substr(colon + 1);
  if (fault.kind == FaultKind::Error) {
    fault.text = argument;
  } else if (fault.kind == FaultKind::Slow || fault.kind == FaultKind::Silent) {
    const auto [end, error] = std::from_chars(argument.data(), argument.data() + argument.size(), fault.delayMs);
    if (error != std::errc{} || end != argument.data() + argument.size() || fault.delayMs < 0) return std::nullopt;
  } else {
    return std::nullopt;
  }
  return fault;
}

void FaultSwitch::Set(Route route, Fault fault) {
  std::lock_guard lock(mutex);
  faults[route] = std::move(fault);
}

void FaultSwitch::Clear(Route route) {
  std::lock_guard lock(mutex);
  faults.erase(route);
}

void FaultSwitch::ClearAll() {
  std::lock_guard lock(mutex);
  faults.clear();
}

std::optional<Fault> FaultSwitch::Take(Route route) {
  std::lock_guard lock(mutex);
  if (auto own = TakeFrom(route)) return own;
  return TakeFrom(Route::Any);
}

std::optional<Fault> FaultSwitch::TakeFrom(Route key) {
  auto it = faults.find(key);
  if (it == faults.end() || it->second.kind == FaultKind::None) return std::nullopt;
  Fault fault = it->second;
  if (it->second.times > 0 && --it->second.times == 0) faults.erase(it);
  return fault;
}

}  // namespace kestrix::airline
