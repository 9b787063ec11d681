#include "app/flight_list.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <unordered_map>

#include "recorder/result_texts.h"
#include "server/command_request.h"
#include "server/schedule.h"

namespace kestrix {
namespace {

using namespace FlightStatus;

// The dialogs format these texts into buffers of 100 characters.
constexpr size_t kCellBuffer = 100;

// A date or time field read up to its first non-digit, kept within what the
// calendar routines can take.
int TimePart(std::string_view text) {
  constexpr long long kBound = 1'000'000;
  return static_cast<int>(std::clamp(LeadingDecimal(text), -kBound, kBound));
}

template <typename... Args>
std::string FormatCell(const char* format, Args... args) {
  char buffer[kCellBuffer];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

std::string RouteText(const AvailableFlight& flight) {
  std::string route = flight.departure + " - " + flight.arrival;
  if (!(flight.status & (StatusInProgress | StatusRefuelingStop))) return route;
  route += " (";
  if (flight.status & StatusInProgress) route += '*';
  if (flight.status & StatusRefuelingStop) route += 'R';
  return route + ')';
}

struct Legs {
  int count = 0;
  long long minutes = 0;
};

}  // namespace

bool IsUtcTimeExpired(const std::string& text, int64_t now) {
  const size_t month = text.find('/');
  const size_t day = month == std::string::npos ? month : text.find('/', month + 1);
  const size_t year = day == std::string::npos ? day : text.find(' ', day + 1);
  const size_t hour = year == std::string::npos ? year : text.find(':', year + 1);
  const size_t minute = hour == std::string::npos ? hour : text.find(':', hour + 1);
  const size_t second = minute == std::string::npos ? minute : text.find(' ', minute + 1);
  if (second == std::string::npos) return false;
  const std::string_view view(text);
  auto part = [&](size_t begin, size_t end) { return TimePart(view.substr(begin, end - begin)); };
  const bool pm = second + 1 < text.size() && std::toupper(static_cast<unsigned char>(text[second + 1])) == 'P';
  std::tm moment{};
  moment.tm_mon = part(0, month) - 1;
  moment.tm_mday = part(month + 1, day);
  moment.tm_year = part(day + 1, year) - 1900;
  // 12 AM is the day's first hour, 12 PM its thirteenth.
  moment.tm_hour = part(year + 1, hour) % 12 + (pm ? 12 : 0);
  moment.tm_min = part(hour + 1, minute);
  moment.tm_sec = part(minute + 1, second);
  return now >= static_cast<int64_t>(timegm(&moment));
}

bool IsFlightExpired(const AvailableFlight& flight, int64_t now) {
  const std::string& type = flight.type;
  if (type == "BID" || type == "SPL" || type == "GA") return IsDateExpired(flight.expiryDate);
  if (type == "HVH") return IsUtcTimeExpired(flight.expiryDate, now);
  return false;
}

bool IsListed(const AvailableFlight& flight, int64_t now) {
  if (flight.status & (StatusCompleted | StatusRemoved)) return false;
  return LeadingDecimal(flight.effectiveDate) <= now;
}

ListRow FlightListRow(const AvailableFlight& flight, int64_t now) {
  const bool expired = flight.expiryDate != "N/A" && IsFlightExpired(flight, now);
  return {flight.flightId,
          DisplayedFlightNumber(flight),
          RouteText(flight),
          flight.airlineName,
          flight.aircraftType == "--" ? std::string() : flight.aircraftType,
          flight.type,
          expired ? std::string("Expired") : flight.expiryDate};
}

std::vector<ListRow> FlightListRows(const std::vector<AvailableFlight>& flights, int64_t now) {
  std::vector<ListRow> rows;
  rows.reserve(flights.size());
  for (const AvailableFlight& flight : flights)
    if (IsListed(flight, now)) rows.push_back(FlightListRow(flight, now));
  return rows;
}

int CountCompleted(const std::vector<AvailableFlight>& flights) {
  return static_cast<int>(std::count_if(flights.begin(), flights.end(),
                                        [](const AvailableFlight& flight) { return flight.status & StatusCompleted; }));
}

std::string FileReportsMenuText(int completed) {
  if (completed <= 0) return "File Flight Reports...";
  return "File Flight Reports (" + std::to_string(completed) + ")...";
}

std::vector<int> FlightMenuItems(int32_t status, bool online) {
  using namespace FlightMenu;
  std::vector<int> items = {ViewTicket, TicketSeparator, RefuelingStop, Complete, DeleteSeparator, DeleteFlight};
  auto remove = [&items](std::initializer_list<int> ids) {
    std::erase_if(items, [ids](int item) { return std::find(ids.begin(), ids.end(), item) != ids.end(); });
  };
  if (status == 0) remove({TicketSeparator, RefuelingStop, Complete, DeleteSeparator, DeleteFlight});
  if (status & StatusRefuelingStop) remove({RefuelingStop});
  if (!online) remove({ViewTicket, TicketSeparator});
  return items;
}

std::vector<int> ReportMenuItems() {
  using namespace FlightMenu;
  return {ViewTicket, TicketSeparator, RefuelingStop, DeleteSeparator, DeleteFlight};
}

bool PilotNumberSet(const PilotInfo& pilot) { return LeadingDecimal(pilot.pilotNumber) != 0; }

std::vector<ListRow> ReportListRows(const std::vector<AvailableFlight>& flights,
                                    const std::vector<FlightRecord>& reports) {
  std::unordered_map<std::string_view, Legs> legs;
  for (const FlightRecord& report : reports) {
    Legs& flight = legs[report.flightId];
    ++flight.count;
    flight.minutes += report.flightMinutes;
  }
  std::vector<ListRow> rows;
  for (const AvailableFlight& flight : flights) {
    if (!(flight.status & StatusCompleted) || (flight.status & StatusFiled)) continue;
    const auto found = legs.find(flight.flightId);
    const Legs counted = found == legs.end() ? Legs{} : found->second;
    const char* departure = flight.departure.c_str();
    const char* arrival = flight.arrival.c_str();
    rows.push_back({flight.flightId, DisplayedFlightNumber(flight),
                    counted.count < 2 ? FormatCell("%s - %s", departure, arrival)
                                      : FormatCell("%s - %s (%d legs)", departure, arrival, counted.count),
                    FormatCell("%lld minutes", counted.minutes)});
  }
  return rows;
}

}  // namespace kestrix
