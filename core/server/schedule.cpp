#include "server/schedule.h"

#include <algorithm>
#include <ctime>

#include "platform/clock.h"
#include "scrambled/server_strings.h"
#include "server/command_request.h"
#include "store/string_protection.h"

namespace kestrix {
namespace {

constexpr const char* kProgressText = "Retrieving flights from server.\n(this process could take a couple of minutes)";
constexpr int kProgressSteps = 5;

void FillField(AvailableFlight& flight, std::string_view key, std::string_view value) {
  struct Field {
    std::string_view key;
    std::string AvailableFlight::*field;
    bool decode;
  };
  static constexpr Field kFields[] = {
      {"type", &AvailableFlight::type, false},
      {"fltid", &AvailableFlight::flightId, false},
      {"dep", &AvailableFlight::departure, false},
      {"depNm", &AvailableFlight::departureName, true},
      {"arr", &AvailableFlight::arrival, false},
      {"arrNm", &AvailableFlight::arrivalName, true},
      {"airlineIcao", &AvailableFlight::airlineIcao, false},
      {"fn", &AvailableFlight::flightNumber, false},
      {"airlineNm", &AvailableFlight::airlineName, true},
      {"acftt", &AvailableFlight::aircraftType, false},
      {"effdate", &AvailableFlight::effectiveDate, false},
      {"expDt", &AvailableFlight::expiryDate, false},
  };
  for (const Field& field : kFields) {
    if (field.key != key) continue;
    flight.*field.field = field.decode ? DecodeEntities(std::string(value)) : std::string(value);
    return;
  }
}

// One record's "#"-separated pairs; a pair without "=" is its own key and value.
AvailableFlight ParseFlight(std::string_view record) {
  AvailableFlight flight;
  flight.aircraftType = "==";
  flight.effectiveDate = "0";
  size_t start = 0;
  while (start <= record.size()) {
    size_t end = record.find('#', start);
    if (end == std::string_view::npos) end = record.size();
    const std::string_view pair = record.substr(start, end - start);
    const size_t equals = pair.find('=');
    if (equals == std::string_view::npos)
      FillField(flight, pair, pair);
    else
      FillField(flight, pair.substr(0, equals), pair.substr(equals + 1));
    start = end + 1;
  }
  flight.localId = NewGuidString();
  flight.status = 0;
  return flight;
}

// Keeps absurd numbers within what the calendar routines can take.
int DatePart(std::string_view text) {
  constexpr long long kBound = 1'000'000;
  return static_cast<int>(std::clamp(LeadingDecimal(text), -kBound, kBound));
}

}  // namespace

size_t ParseSchedule(std::string_view reply, std::vector<AvailableFlight>& flights) {
  // One allocation for the whole schedule instead of doubling it on the way.
  flights.reserve(flights.size() + static_cast<size_t>(std::count(reply.begin(), reply.end(), '$')));
  size_t count = 0;
  size_t start = 0;
  for (size_t end = reply.find('$'); end != std::string_view::npos; end = reply.find('$', start)) {
    flights.push_back(ParseFlight(reply.substr(start, end - start)));
    ++count;
    start = end + 1;
  }
  return count;
}

int DownloadSchedule(ServerLink& link, const std::string& userName, const std::string& password,
                     std::vector<AvailableFlight>& flights) {
  if (userName.empty() || password.empty()) return 0;
  const std::string host = StoredServerHost();
  const std::string object = ComposeCommandObject(Reveal(scrambled::PageSchedule), Reveal(scrambled::CmdSchedule),
                                                  JoinValues({userName, password, kClientBuildCode}));
  auto progress = CreateProgressDialog();
  progress->Open(link.owner);
  progress->SetText(kProgressText);
  progress->SetSteps(kProgressSteps);
  link.progress = progress.get();
  std::string reply;
  const bool sent = SendHttpRequest(link, host, object, reply, true);
  const bool hasRecords = sent && !reply.starts_with("ERROR:") && reply.find('$') != std::string::npos;
  int result = sent ? 0 : -1;
  if (hasRecords) {
    progress->Step();
    result = static_cast<int>(ParseSchedule(reply, flights));
  }
  progress->Close();
  link.progress = nullptr;
  if (sent && reply.starts_with("ERROR:")) {
    ShowMessageBox(link.owner, reply.substr(6), kProgramCaption, MessageKind::Error);
    flights.clear();
    result = -2;
  }
  return result;
}

bool IsDateExpired(const std::string& date) {
  const size_t first = date.find('/');
  if (first == std::string::npos) return false;
  const size_t second = date.find('/', first + 1);
  if (second == std::string::npos || date.find('/', second + 1) != std::string::npos) return false;
  const std::string_view text(date);
  const time_t now = static_cast<time_t>(NowSeconds());
  std::tm moment{};
  gmtime_r(&now, &moment);
  moment.tm_mon = DatePart(text.substr(0, first)) - 1;
  moment.tm_mday = DatePart(text.substr(first + 1, second - first - 1));
  moment.tm_year = DatePart(text.substr(second + 1)) - 1900;
  moment.tm_hour = 0;
  moment.tm_min = 1;
  // Local time decides whether daylight saving applies on that day.
  moment.tm_isdst = -1;
  return now >= mktime(&moment);
}

}  // namespace kestrix
