#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/list_rows.h"
#include "store/records.h"

namespace kestrix {

// Columns of the main dialog's flights list; column 0 of either list holds
// the flight id, the key by which every command finds the flight.
namespace FlightColumn {
inline constexpr int Id = 0;
inline constexpr int Number = 1;
inline constexpr int Route = 2;
inline constexpr int Airline = 3;
inline constexpr int Aircraft = 4;
inline constexpr int Type = 5;
inline constexpr int Expires = 6;
inline constexpr int Count = 7;
}  // namespace FlightColumn

// Columns of the file flight reports dialog's list.
namespace ReportColumn {
inline constexpr int Id = 0;
inline constexpr int Number = 1;
inline constexpr int Route = 2;
inline constexpr int Minutes = 3;
inline constexpr int Count = 4;
}  // namespace ReportColumn

// Command ids of the flights' context menu, separators included.
namespace FlightMenu {
inline constexpr int ViewTicket = 40018;
inline constexpr int TicketSeparator = 40019;
inline constexpr int RefuelingStop = 40014;
inline constexpr int Complete = 40015;
inline constexpr int DeleteSeparator = 40020;
inline constexpr int DeleteFlight = 40017;
}  // namespace FlightMenu

// "HVH" expiry texts, "M/D/YYYY h:mm:ss AM|PM" in UTC: expired once `now`
// (seconds since 1970) is at or past that moment. A text missing any of its
// separators never expires.
bool IsUtcTimeExpired(const std::string& text, int64_t now);

// Whether the flight may no longer be flown. "BID", "SPL" and "GA" dates are
// tested against the clock (IsDateExpired), "HVH" times against `now`, which
// callers take from the same clock; every other type never expires.
bool IsFlightExpired(const AvailableFlight& flight, int64_t now);

// Whether the main dialog lists the flight: in effect by `now`, and neither
// completed nor removed.
bool IsListed(const AvailableFlight& flight, int64_t now);

// The main dialog's rows of every listed flight, in store order.
ListRows FlightListRows(const std::vector<AvailableFlight>& flights, int64_t now);

// Flights whose reports wait to be filed.
int CountCompleted(const std::vector<AvailableFlight>& flights);
// The File menu's item for `completed` waiting reports.
std::string FileReportsMenuText(int completed);

// The ids the flights' context menu keeps, in menu order, for a flight with
// `status` while the internet is or is not connected.
std::vector<int> FlightMenuItems(int32_t status, bool online);
// The file flight reports dialog's context menu: everything but "Complete".
std::vector<int> ReportMenuItems();

// Whether the stored pilot number reads as a number other than 0.
bool PilotNumberSet(const PilotInfo& pilot);

// The file flight reports dialog's rows: every completed flight not yet filed,
// in store order, with its legs counted and their minutes added up.
ListRows ReportListRows(const std::vector<AvailableFlight>& flights, const std::vector<FlightRecord>& reports);

}  // namespace kestrix
