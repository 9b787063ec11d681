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

// Departure and arrival, then the markers of a flight in progress ("*") and
// at a refuelling stop ("R"); written into `route`, reused from row to row.
void RouteText(const AvailableFlight& flight, std::string& route) {
  route.assign(flight.departure).append(" - ").append(flight.arrival);
  if (!(flight.status & (StatusInProgress | StatusRefuelingStop))) return;
  route += " (";
  if (flight.status & StatusInProgress) route += '*';
  if (flight.status & StatusRefuelingStop) route += 'R';
  route += ')';
}

// Expiry of every listed flight, each distinct type and text worked out
// once: a whole schedule shares a handful of dates.
class ExpiryCache {
 public:
  explicit ExpiryCache(int64_t now) : now(now) {}
  bool Expired(const AvailableFlight& flight) {
    if (flight.expiryDate == "N/A") return false;
    const auto [entry, added] = known[flight.type].try_emplace(flight.expiryDate, false);
    if (added) entry->second = IsFlightExpired(flight, now);
    return entry->second;
  }

 private:
  int64_t now;
  std::unordered_map<std::string_view, std::unordered_map<std::string_view, bool>> known;
};

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

ListRows FlightListRows(const std::vector<AvailableFlight>& flights, int64_t now) {
  constexpr size_t kTypicalRowBytes = 80;
  ListRows rows(FlightColumn::Count);
  rows.Reserve(flights.size(), kTypicalRowBytes);
  ExpiryCache expiry(now);
  std::string route;
  for (const AvailableFlight& flight : flights) {
    if (!IsListed(flight, now)) continue;
    RouteText(flight, route);
    const std::string_view aircraft = flight.aircraftType == "--" ? std::string_view() : flight.aircraftType;
    const std::string_view expires = expiry.Expired(flight) ? std::string_view("Expired") : flight.expiryDate;
    rows.Add({flight.flightId, DisplayedFlightNumber(flight), route, flight.airlineName, aircraft, flight.type,
              expires});
  }
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

ListRows ReportListRows(const std::vector<AvailableFlight>& flights, const std::vector<FlightRecord>& reports) {
  std::unordered_map<std::string_view, Legs> legs;
  for (const FlightRecord& report : reports) {
    Legs& flight = legs[report.flightId];
    ++flight.count;
    flight.minutes += report.flightMinutes;
  }
  ListRows rows(ReportColumn::Count);
  for (const AvailableFlight& flight : flights) {
    if (!(flight.status & StatusCompleted) || (flight.status & StatusFiled)) continue;
    const auto found = legs.find(flight.flightId);
    const Legs counted = found == legs.end() ? Legs{} : found->second;
    const char* departure = flight.departure.c_str();
    const char* arrival = flight.arrival.c_str();
    rows.Add({flight.flightId, DisplayedFlightNumber(flight),
              counted.count < 2 ? FormatCell("%s - %s", departure, arrival)
                                : FormatCell("%s - %s (%d legs)", departure, arrival, counted.count),
              FormatCell("%lld minutes", counted.minutes)});
  }
  return rows;
}

}  // namespace kestrix
