#include "airline/airline_state.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "airline/command_token.h"
#include "airline/report_page.h"
#include "airline/schedule_generator.h"
#include "airline/ticket_image.h"
#include "airline/wire_names.h"
#include "server/auto_update.h"
#include "platform/clock.h"
#include "protocol/reply_format.h"

namespace kestrix::airline {
namespace {

constexpr const char* kValueSeparator = "%23";
constexpr const char* kChatSeparator = "*^|(";
constexpr const char* kChatEnd = "{~!+";
// A pilot who has neither polled nor announced himself for this long is offline.
constexpr int64_t kChatPresenceSeconds = 120;
// A first poll (time stamp "0") gets no more than this many old messages.
constexpr size_t kChatBacklog = 50;
constexpr size_t kRequestLogLimit = 100000;


std::vector<std::string> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
    parts.emplace_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

// The program percent-encodes the bytes a request line may not carry (space,
// control and 8-bit bytes); a value is read back as the pilot typed it.
std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = text[i] == '%' && i + 2 < text.size() ? HexDecode(text.substr(i + 1, 2)) : std::nullopt;
    if (byte) {
      out += *byte;
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<std::string> SplitValues(std::string_view text, std::string_view separator) {
  auto values = Split(text, separator);
  for (auto& value : values) value = PercentDecode(value);
  return values;
}

std::optional<int64_t> Number(std::string_view text) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "a=1&b=2" into a map; the first occurrence of a key wins.
std::map<std::string, std::string> QueryPairs(std::string_view query) {
  std::map<std::string, std::string> pairs;
  for (const auto& item : Split(query, "&")) {
    const auto equals = item.find('=');
    pairs.emplace(item.substr(0, equals), equals == std::string::npos ? "" : PercentDecode(item.substr(equals + 1)));
  }
  return pairs;
}

std::string PageLines(const std::map<std::string, std::string>& values) {
  std::string page;
  for (const auto& [key, value] : values) page += key + "=" + value + "\r\n";
  return page;
}


Reply Text(std::string body) { return Reply{.body = std::move(body)}; }
Reply Error(const std::string& message) { return Text("ERROR:" + message); }
Reply Ok(const std::string& value) { return Text("OK=" + value + "$"); }

std::string ChatRecord(const std::string& key, const std::string& value) {
  return key + kChatSeparator + value + kChatEnd;
}

// What a raw target asks for, before any state is looked at.
struct Parsed {
  Route route = Route::Unknown;
  bool commandPage = false;  // a page that expects a command token
  std::string path;
  std::string query;  // after the first "?"
  std::string command;
  std::vector<std::string> values;
};

}  // namespace

struct AirlineState::Impl {
  mutable std::mutex mutex;
  std::vector<Pilot> pilots;
  size_t scheduleSize = 50;
  std::map<std::string, std::vector<AvailableFlight>> schedules;  // fixed ones, by user name
  std::map<std::pair<std::string, size_t>, std::string> scheduleCache;
  ServerVariables variables;
  std::map<std::string, std::string> versionInfo;
  bool hashSetExplicitly = false;
  std::string updater;
  bool fileOnReportView = false;
  std::vector<StoredReport> reports;
  int64_t nextReportKey = 5001;
  std::map<std::string, LivePosition> live;
  std::vector<FlightPlanUpload> plans;
  int64_t nextPlanFile = 1;
  std::vector<ChatEvent> chat;
  int64_t chatSequence = 1000;
  std::map<int, int64_t> chatOnline;  // pilot number to last sign of life
  std::vector<LoggedRequest> requests;

  Parsed Parse(std::string_view target) const;
  Parsed Log(std::string_view target);
  Reply Serve(const Parsed& request);

  const Pilot* PilotByLogin(const std::string& username, const std::string& password) const;
  const Pilot* PilotByNumber(const std::string& number) const;
  StoredReport* ReportByLocalId(const std::string& localId);
  StoredReport* ReportByKey(const std::string& key);
  std::string NewReport(std::vector<std::string> values);

  Reply VerifyPilot(const std::vector<std::string>& values) const;
  Reply Schedule(const std::vector<std::string>& values);
  Reply UploadReport(std::vector<std::string> values);
  Reply UploadPoints(const std::vector<std::string>& values);
  Reply RemoveFlight(const std::vector<std::string>& values);
  Reply LiveReport(const std::vector<std::string>& values);
  Reply ChatUsers(const std::vector<std::string>& values) const;
  Reply ChatExchange(const std::vector<std::string>& values);
  Reply ChatPresence(const std::vector<std::string>& values);
  Reply FlightPlan(const std::string& query);
  Reply ReportPage(const std::string& query);
  Reply Ticket(const std::string& query) const;

  void Post(const std::string& kind, int from, int to, const std::string& text);
  void PruneChatOnline();
  std::string UpdaterHash() const { return hashSetExplicitly ? versionInfo.at("UpdaterHash") : Md5Hex(updater); }
};

AirlineState::AirlineState() : impl(std::make_shared<Impl>()) {
  impl->pilots = {
      {"demo", "demo", "1234", "Demo Pilot", false},
      {"jdoe", "secret", "7", "John Doe", false},
      {"ops", "ops", "1", "Halvorn Operations", true},
  };
  impl->variables = {
      {"server", "127.0.0.1"},
      {"version", "1"},
      {"pirepPage", "/kx/pirep.php"},
      {"imagePage", "/kx/ticket.php"},
      {"flightPointUploadSize", "1000"},
      {"flightPointHeadingTrigger", "15"},
      {"flightPointAltitudeTrigger", "500"},
      {"flightPointsEnabledTest", "True"},
      {"maxGroundTime", "30"},
      {"liveFeedUpdateTime", "60"},
      {"flightPlanFileMask", "Flight_Plans_(*.pln)@*.pln@All_Files_(*.*)@*.*@"},
      {"chatRefreshTime", "5000"},
      {"chatAdminPrefix", "@@ADMIN"},
      {"baseDir", "/kx/"},
      {"updateStub", "KestrixV2UpdateStub.exe"},
  };
  impl->versionInfo = {{"ServerVars", "1"}, {"Version", "2.0.3999"}};
  impl->updater = "#!/bin/sh\n# Stand-in updater: there is nothing to update.\nexit 0\n";
}

void AirlineState::AddPilot(const Pilot& pilot) {
  std::lock_guard lock(impl->mutex);
  // A user name and a pilot number each name one pilot.
  std::erase_if(impl->pilots,
                [&](const Pilot& p) { return p.username == pilot.username || p.pilotNumber == pilot.pilotNumber; });
  impl->pilots.push_back(pilot);
}

std::optional<Pilot> AirlineState::FindPilot(const std::string& pilotNumber) const {
  std::lock_guard lock(impl->mutex);
  const Pilot* pilot = impl->PilotByNumber(pilotNumber);
  return pilot ? std::optional(*pilot) : std::nullopt;
}

void AirlineState::SetScheduleSize(size_t flights) {
  std::lock_guard lock(impl->mutex);
  impl->scheduleSize = flights;
}

void AirlineState::SetSchedule(const std::string& username, std::vector<AvailableFlight> flights) {
  std::lock_guard lock(impl->mutex);
  impl->schedules[username] = std::move(flights);
}

std::vector<AvailableFlight> AirlineState::Schedule(const std::string& username) const {
  std::lock_guard lock(impl->mutex);
  if (auto it = impl->schedules.find(username); it != impl->schedules.end()) return it->second;
  for (const auto& pilot : impl->pilots) {
    if (pilot.username == username)
      return GenerateSchedule(static_cast<uint32_t>(Number(pilot.pilotNumber).value_or(0)), impl->scheduleSize);
  }
  return {};
}

void AirlineState::SetServerVariable(const std::string& name, const std::string& value) {
  std::lock_guard lock(impl->mutex);
  impl->variables[name] = value;
}

void AirlineState::RemoveServerVariable(const std::string& name) {
  std::lock_guard lock(impl->mutex);
  impl->variables.erase(name);
}

ServerVariables AirlineState::Variables() const {
  std::lock_guard lock(impl->mutex);
  return impl->variables;
}

void AirlineState::SetVersionInfo(const std::string& key, const std::string& value) {
  std::lock_guard lock(impl->mutex);
  impl->versionInfo[key] = value;
  if (key == "UpdaterHash") impl->hashSetExplicitly = true;
}

std::map<std::string, std::string> AirlineState::VersionInfo() const {
  std::lock_guard lock(impl->mutex);
  auto info = impl->versionInfo;
  info["UpdaterHash"] = impl->UpdaterHash();
  return info;
}

void AirlineState::SetUpdaterFile(std::string bytes) {
  std::lock_guard lock(impl->mutex);
  impl->updater = std::move(bytes);
}

void AirlineState::SetFileOnReportView(bool on) {
  std::lock_guard lock(impl->mutex);
  impl->fileOnReportView = on;
}

std::vector<StoredReport> AirlineState::Reports() const {
  std::lock_guard lock(impl->mutex);
  return impl->reports;
}

std::optional<StoredReport> AirlineState::ReportFor(const std::string& localId) const {
  std::lock_guard lock(impl->mutex);
  const StoredReport* report = impl->ReportByLocalId(localId);
  return report ? std::optional(*report) : std::nullopt;
}

std::string AirlineState::AddReport(const std::vector<std::string>& values) {
  std::lock_guard lock(impl->mutex);
  return impl->NewReport(values);
}

bool AirlineState::MarkFiled(const std::string& localId) {
  std::lock_guard lock(impl->mutex);
  StoredReport* report = impl->ReportByLocalId(localId);
  if (report) report->filed = true;
  return report != nullptr;
}

std::map<std::string, LivePosition> AirlineState::LivePositions() const {
  std::lock_guard lock(impl->mutex);
  return impl->live;
}

std::vector<FlightPlanUpload> AirlineState::FlightPlans() const {
  std::lock_guard lock(impl->mutex);
  return impl->plans;
}

std::vector<ChatEvent> AirlineState::ChatEvents() const {
  std::lock_guard lock(impl->mutex);
  return impl->chat;
}

std::set<int> AirlineState::ChatOnline() const {
  std::lock_guard lock(impl->mutex);
  impl->PruneChatOnline();
  std::set<int> online;
  for (const auto& [number, seen] : impl->chatOnline) online.insert(number);
  return online;
}

void AirlineState::SetChatOnline(int pilotNumber, bool online) {
  std::lock_guard lock(impl->mutex);
  if (online)
    impl->chatOnline[pilotNumber] = NowSeconds();
  else
    impl->chatOnline.erase(pilotNumber);
}

void AirlineState::PostChat(const std::string& kind, int from, int to, const std::string& text) {
  std::lock_guard lock(impl->mutex);
  impl->Post(kind, from, to, text);
}

std::vector<LoggedRequest> AirlineState::Requests() const {
  std::lock_guard lock(impl->mutex);
  return impl->requests;
}

void AirlineState::ClearRequests() {
  std::lock_guard lock(impl->mutex);
  impl->requests.clear();
}

Route AirlineState::Classify(std::string_view target) const {
  std::lock_guard lock(impl->mutex);
  return impl->Parse(target).route;
}

Reply AirlineState::Handle(std::string_view target) {
  std::lock_guard lock(impl->mutex);
  return impl->Serve(impl->Log(target));
}

void AirlineState::Note(std::string_view target) {
  std::lock_guard lock(impl->mutex);
  impl->Log(target);
}

Parsed AirlineState::Impl::Log(std::string_view target) {
  Parsed request = Parse(target);
  // A server left running keeps only the latest requests.
  if (requests.size() >= kRequestLogLimit) requests.erase(requests.begin(), requests.begin() + kRequestLogLimit / 2);
  requests.push_back({request.route, std::string(target), request.command, request.values});
  return request;
}

Parsed AirlineState::Impl::Parse(std::string_view target) const {
  Parsed parsed;
  const auto question = target.find('?');
  parsed.path = std::string(target.substr(0, question));
  if (question != std::string_view::npos) parsed.query = std::string(target.substr(question + 1));

  const WireNames& wire = Wire();
  for (const auto& [page, commands] : wire.commands) {
    if (!target.starts_with(page)) continue;
    parsed.commandPage = true;
    const std::string_view rest = target.substr(page.size());
    const auto valuesAt = rest.find("&v=");
    const auto decoded = DecodeCommandToken(rest.substr(0, valuesAt));
    if (!decoded) return parsed;
    parsed.command = decoded->command;
    if (auto it = commands.find(decoded->command); it != commands.end()) parsed.route = it->second;
    if (valuesAt != std::string_view::npos)
      parsed.values = SplitValues(rest.substr(valuesAt + 3), page == wire.pageChat ? kChatSeparator : kValueSeparator);
    return parsed;
  }
  auto variable = [&](const char* name) {
    auto it = variables.find(name);
    return it == variables.end() ? std::string() : it->second;
  };
  if (parsed.path == wire.pagePlanUpload) parsed.route = Route::FlightPlan;
  else if (parsed.path == wire.pageServerVars) parsed.route = Route::ServerVariables;
  else if (parsed.path == wire.pageVersion) parsed.route = Route::VersionInfo;
  else if (parsed.path == variable("pirepPage")) parsed.route = Route::ReportPage;
  else if (parsed.path == variable("imagePage")) parsed.route = Route::Ticket;
  else if (parsed.path == variable("baseDir") + variable("updateStub")) parsed.route = Route::Updater;
  return parsed;
}

Reply AirlineState::Impl::Serve(const Parsed& request) {
  const auto& values = request.values;
  const std::string first = values.empty() ? "" : values[0];
  switch (request.route) {
    case Route::ServerVariables:
      return Text(PageLines(variables));
    case Route::VersionInfo: {
      auto info = versionInfo;
      info["UpdaterHash"] = UpdaterHash();
      return Text(PageLines(info));
    }
    case Route::VerifyPilot:
      return VerifyPilot(values);
    case Route::Schedule:
      return Schedule(values);
    case Route::CheckReportMissing:
      return Ok(ReportByLocalId(first) ? "FALSE" : "TRUE");
    case Route::CheckFlightFiled: {
      const StoredReport* report = ReportByLocalId(first);
      return Ok(report && report->filed ? "Y" : "N");
    }
    case Route::GetReportKey: {
      const StoredReport* report = ReportByLocalId(first);
      return Ok(report ? report->reportKey : "");
    }
    case Route::UploadReport:
      return UploadReport(values);
    case Route::UploadPoints:
      return UploadPoints(values);
    case Route::RemoveFlight:
      return RemoveFlight(values);
    case Route::LiveReport:
      return LiveReport(values);
    case Route::ChatUsers:
      return ChatUsers(values);
    case Route::ChatExchange:
      return ChatExchange(values);
    case Route::ChatPresence:
      return ChatPresence(values);
    case Route::FlightPlan:
      return FlightPlan(request.query);
    case Route::ReportPage:
      return ReportPage(request.query);
    case Route::Ticket:
      return Ticket(request.query);
    case Route::Updater:
      return Reply{.body = updater, .contentType = "application/octet-stream"};
    case Route::Any:
    case Route::Unknown:
      break;
  }
  if (request.commandPage) return Error(request.command.empty() ? "Invalid request." : "Unknown command.");
  return Reply{.status = 404, .body = kNotFoundPage};
}

const Pilot* AirlineState::Impl::PilotByLogin(const std::string& username, const std::string& password) const {
  for (const auto& pilot : pilots)
    if (pilot.username == username && pilot.password == password) return &pilot;
  return nullptr;
}

const Pilot* AirlineState::Impl::PilotByNumber(const std::string& number) const {
  for (const auto& pilot : pilots)
    if (!number.empty() && pilot.pilotNumber == number) return &pilot;
  return nullptr;
}

StoredReport* AirlineState::Impl::ReportByLocalId(const std::string& localId) {
  for (auto& report : reports)
    if (report.Field(ReportField::LocalId) == localId) return &report;
  return nullptr;
}

StoredReport* AirlineState::Impl::ReportByKey(const std::string& key) {
  for (auto& report : reports)
    if (report.reportKey == key) return &report;
  return nullptr;
}

std::string AirlineState::Impl::NewReport(std::vector<std::string> values) {
  values.resize(kReportValueCount);
  StoredReport report;
  report.reportKey = std::to_string(nextReportKey++);
  report.values = std::move(values);
  reports.push_back(std::move(report));
  return reports.back().reportKey;
}

Reply AirlineState::Impl::VerifyPilot(const std::vector<std::string>& values) const {
  const Pilot* pilot = values.size() >= 2 ? PilotByLogin(values[0], values[1]) : nullptr;
  if (!pilot) return Error("Invalid user name or password.");
  return Ok(pilot->pilotNumber);
}

Reply AirlineState::Impl::Schedule(const std::vector<std::string>& values) {
  const Pilot* pilot = values.size() >= 3 ? PilotByLogin(values[0], values[1]) : nullptr;
  if (!pilot) return Error("Invalid user name or password.");
  if (auto it = schedules.find(pilot->username); it != schedules.end()) return Text(FormatSchedule(it->second));
  const auto key = std::make_pair(pilot->pilotNumber, scheduleSize);
  auto cached = scheduleCache.find(key);
  if (cached == scheduleCache.end()) {
    const auto seed = static_cast<uint32_t>(Number(pilot->pilotNumber).value_or(0));
    cached = scheduleCache.emplace(key, FormatSchedule(GenerateSchedule(seed, scheduleSize))).first;
  }
  return Text(cached->second);
}

Reply AirlineState::Impl::UploadReport(std::vector<std::string> values) {
  if (values.size() != kReportValueCount) return Error("The flight report is incomplete.");
  if (!PilotByNumber(values[0])) return Error("Unknown pilot number.");
  std::string& localId = values[static_cast<size_t>(ReportField::LocalId)];
  if (localId.empty()) return Error("The flight report is incomplete.");
  ReplaceAll(values[static_cast<size_t>(ReportField::AirlineName)], "0x38", "&");
  // A report sent again replaces the first one, points and all, under the same key.
  if (StoredReport* existing = ReportByLocalId(localId)) {
    StoredReport fresh;
    fresh.reportKey = existing->reportKey;
    fresh.values = std::move(values);
    *existing = std::move(fresh);
    return Text("OK=TRUE#REPORTID=" + existing->reportKey + "$");
  }
  return Text("OK=TRUE#REPORTID=" + NewReport(std::move(values)) + "$");
}

Reply AirlineState::Impl::UploadPoints(const std::vector<std::string>& values) {
  if (values.size() != 5) return Error("The flight points are incomplete.");
  StoredReport* report = ReportByKey(values[0]);
  if (!report) return Error("Record not found.");
  const auto count = Number(values[1]);
  if (!count || *count < 0) return Error("The flight points are incomplete.");
  if (values[2] != "7") return Error("Unsupported flight point format.");
  const auto bytes = HexDecode(values[3]);
  if (!bytes) return Error("The flight point data is damaged.");
  const std::string& chain = values[4];
  // Every leg's upload starts a new chain with "0"; its points follow the earlier legs'.
  if (chain == "0") {
    report->pendingBytes.clear();
  } else if (chain != report->chainKey) {
    return Error("Unknown point upload.");
  }
  constexpr size_t kWirePointBytes = 20;
  report->pendingBytes += *bytes;
  size_t used = 0;
  for (; used + kWirePointBytes <= report->pendingBytes.size(); used += kWirePointBytes) {
    unsigned char blob[kFlightPointBytes] = {};
    std::copy_n(report->pendingBytes.data() + used, kWirePointBytes, blob);
    report->points.push_back(DecodeFlightPoint(blob));
  }
  report->pendingBytes.erase(0, used);
  report->declaredPoints = static_cast<int>(*count);
  report->chainKey = report->reportKey + "-" + std::to_string(++report->pointRequests);
  return Text("OK=TRUE#REPORTID=" + report->chainKey + "$");
}

Reply AirlineState::Impl::RemoveFlight(const std::vector<std::string>& values) {
  if (values.empty()) return Error("Record not found.");
  const auto before = reports.size();
  std::erase_if(reports, [&](const StoredReport& report) { return report.reportKey == values[0]; });
  if (reports.size() == before) return Error("Record not found.");
  return Ok("TRUE");
}

Reply AirlineState::Impl::LiveReport(const std::vector<std::string>& values) {
  if (values.size() == 2 && values[1] == "DELETE") {
    live.erase(values[0]);
    return Ok("TRUE");
  }
  if (values.size() != kLiveValueCount || !PilotByNumber(values[0])) return Error("Malformed position report.");
  live[values[0]] = LivePosition{.values = values, .receivedAt = NowSeconds()};
  return Ok("TRUE");
}

Reply AirlineState::Impl::ChatUsers(const std::vector<std::string>& values) const {
  if (values.empty() || !PilotByNumber(values[0])) return Error("Unknown pilot.");
  std::vector<const Pilot*> sorted;
  for (const auto& pilot : pilots) sorted.push_back(&pilot);
  std::sort(sorted.begin(), sorted.end(), [](const Pilot* a, const Pilot* b) {
    return Number(a->pilotNumber).value_or(0) < Number(b->pilotNumber).value_or(0);
  });
  std::string reply;
  for (const Pilot* pilot : sorted)
    reply += pilot->pilotNumber + kChatSeparator + "HV" + pilot->pilotNumber + " " + pilot->name + kChatSeparator +
             pilot->name + kChatEnd;
  return Text(reply);
}

void AirlineState::Impl::Post(const std::string& kind, int from, int to, const std::string& text) {
  chat.push_back({.sequence = ++chatSequence, .sentAt = NowSeconds(), .kind = kind, .from = from, .to = to,
                  .text = text});
}

void AirlineState::Impl::PruneChatOnline() {
  const int64_t now = NowSeconds();
  std::erase_if(chatOnline, [&](const auto& entry) { return now - entry.second > kChatPresenceSeconds; });
}

Reply AirlineState::Impl::ChatExchange(const std::vector<std::string>& values) {
  const Pilot* pilot = values.size() >= 2 ? PilotByNumber(values[0]) : nullptr;
  if (!pilot) return Error("Unknown pilot.");
  const int me = static_cast<int>(Number(pilot->pilotNumber).value_or(0));
  const int64_t since = Number(values[1]).value_or(0);
  chatOnline[me] = NowSeconds();

  for (size_t i = 2; i < values.size(); ++i) {
    const std::string& text = values[i];
    if (text.empty()) continue;
    const auto colon = text.find(':');
    const auto prefix = variables.find("chatAdminPrefix");
    const std::string adminPrefix = prefix == variables.end() ? "" : prefix->second;
    if (text.starts_with("@@PRIV") && colon != std::string::npos) {
      if (const auto to = Number(std::string_view(text).substr(6, colon - 6))) {
        Post("private", me, static_cast<int>(*to), text.substr(colon + 1));
        continue;
      }
    } else if (pilot->admin && !adminPrefix.empty() && text.starts_with(adminPrefix) && colon != std::string::npos) {
      Post("admin", me, 0, text.substr(colon + 1));
      continue;
    }
    Post("message", me, 0, text);
  }

  PruneChatOnline();
  std::string reply = ChatRecord("timestamp", std::to_string(chatSequence));
  for (const auto& [number, seen] : chatOnline) reply += ChatRecord("online", std::to_string(number));
  std::vector<const ChatEvent*> news;
  for (const auto& event : chat) {
    if (event.sequence <= since || event.from == me) continue;
    if (event.kind == "private" && event.to != me) continue;
    news.push_back(&event);
  }
  if (since == 0 && news.size() > kChatBacklog) news.erase(news.begin(), news.end() - kChatBacklog);
  for (const ChatEvent* event : news) {
    const std::string sender = std::to_string(event->from) + ":";
    reply += ChatRecord(event->kind, event->kind == "admin" ? event->text : sender + event->text);
  }
  return Text(reply);
}

Reply AirlineState::Impl::ChatPresence(const std::vector<std::string>& values) {
  const Pilot* pilot = values.size() >= 2 ? PilotByNumber(values[0]) : nullptr;
  if (!pilot || (values[1] != "1" && values[1] != "0")) return Error("Unknown pilot.");
  const int number = static_cast<int>(Number(pilot->pilotNumber).value_or(0));
  if (values[1] == "1")
    chatOnline[number] = NowSeconds();
  else
    chatOnline.erase(number);
  return Text(ChatRecord("presence", values[1]));
}

Reply AirlineState::Impl::FlightPlan(const std::string& query) {
  // The plan text comes last and may hold any character, "&" included.
  const auto textAt = query.find("&fp=");
  if (textAt == std::string::npos) return Error("The flight plan is incomplete.");
  auto pairs = QueryPairs(std::string_view(query).substr(0, textAt));
  const auto toCome = Number(pairs["ch"]);
  if (!toCome || *toCome < 0 || pairs["pn"].empty() || pairs["fi"].empty())
    return Error("The flight plan is incomplete.");
  if (!PilotByNumber(pairs["pn"])) return Error("Unknown pilot number.");
  FlightPlanUpload* upload = nullptr;
  if (auto name = pairs.find("tfn"); name != pairs.end()) {
    for (auto& plan : plans)
      if (plan.tempFilename == name->second && !plan.complete) upload = &plan;
    if (!upload) return Error("Unknown temporary file.");
  } else {
    upload = &plans.emplace_back();
    upload->tempFilename = "fp" + std::to_string(nextPlanFile++) + ".tmp";
    upload->pilotNumber = pairs["pn"];
    upload->flightId = pairs["fi"];
    upload->fileName = pairs["fpn"];
  }
  upload->text += query.substr(textAt + 4);
  upload->chunksToCome.push_back(static_cast<int>(*toCome));
  upload->complete = *toCome == 0;
  return Text("OK=TRUE#TempFilename=" + upload->tempFilename + "$");
}

Reply AirlineState::Impl::ReportPage(const std::string& query) {
  auto pairs = QueryPairs(query);
  std::optional<std::string> data;
  if (auto bytes = HexDecode(pairs["data"])) data = Unscramble(std::move(*bytes));
  if (data && data->ends_with('$')) data->pop_back();
  const auto parts = data ? Split(*data, "#") : std::vector<std::string>{};
  StoredReport* report = parts.size() == 3 && PilotByLogin(parts[0], parts[1]) ? ReportByKey(parts[2]) : nullptr;
  if (!report) return Reply{.status = 403, .body = ReportPageHtml(nullptr, query, false)};
  const bool completing = pairs["complete"] == "1";
  if (completing || fileOnReportView) report->filed = true;
  return Text(ReportPageHtml(report, query, completing));
}

Reply AirlineState::Impl::Ticket(const std::string& query) const {
  auto pairs = QueryPairs(query);
  const std::string& kind = pairs["rectype"];
  const std::string& side = pairs["ticktype"];
  if ((kind != "ticket" && kind != "planbook" && kind != "ga") || (side != "f" && side != "b"))
    return Reply{.status = 404, .body = kNotFoundPage};
  return Reply{.body = TicketImage(kind, side == "f", pairs["flightid"]), .contentType = "image/png"};
}

}  // namespace kestrix::airline
