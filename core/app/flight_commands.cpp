#include "app/flight_commands.h"

#include <malloc.h>

#include <vector>

#include "platform/internet_state.h"
#include "recorder/result_texts.h"
#include "server/command_request.h"
#include "server/filing.h"
#include "server/schedule.h"
#include "store/database.h"

namespace kestrix {
namespace {

constexpr const char* kNotConnected = "You need to be connected to the internet to perform this action.";
constexpr const char* kStatusChanged = "Flight status has successfully been changed.";
constexpr const char* kStatusFailed = "There was an error changing the flight status.";
constexpr const char* kRecordNotFound = "Record not found.";

void Tell(WindowHandle owner, const std::string& text, unsigned kind) {
  ShowMessageBox(owner, text, kProgramCaption, kind);
}

bool Confirm(WindowHandle owner, const std::string& question) {
  return ShowMessageBox(owner, question, kProgramCaption, MessageKind::Question) == MessageResult::Yes;
}

AvailableFlight ReadFlight(Database& store, const std::string& flightId) {
  AvailableFlight flight;
  store.ReadAvailableFlight(flightId, flight);
  return flight;
}

bool ConfirmStatusChange(WindowHandle owner, const AvailableFlight& flight, int32_t target) {
  const char* to = target == StatusRequest::RefuelingStop ? " to a Refueling Stop?" : " to a Completed Flight?";
  return Confirm(owner, "Are you sure you want to change the status of flight " + DisplayedFlightNumber(flight) + to);
}

CommandOutcome SetStatusAndTell(WindowHandle owner, Database& store, const std::string& flightId, int32_t target) {
  if (!store.SetFlightStatus(flightId, target)) {
    Tell(owner, kStatusFailed, MessageKind::Error);
    return CommandOutcome::Failed;
  }
  Tell(owner, kStatusChanged, MessageKind::Information);
  return CommandOutcome::Done;
}

// Stores the flight's saved temporary flight, with its points, as a report
// with the minutes the flight window showed. False when there is no saved
// flight to complete or the report could not be written.
bool CompleteTempFlight(Database& store, const std::string& flightId) {
  ServerVariables variables;
  store.ReadServerVariables(variables);
  FlightRecord record;
  if (!store.ReadTempFlight(flightId, record, true, false) || record.flightId != flightId) return false;
  record.flightMinutes = WholeMinutes(record.recordedTime);
  record.groundMinutesLeft =
      static_cast<int32_t>(LeadingDecimal(Variable(variables, "maxGroundTime"))) - WholeMinutes(record.groundTime);
  return store.WriteFlightReport(record);
}

// Removes the flight's unfiled report from the server; a report the server
// no longer has counts as removed. False (after telling the pilot) otherwise.
bool RemoveServerReport(WindowHandle owner, ServerLink& link, const AvailableFlight& flight) {
  std::string message;
  const std::string reportKey = GetReportKey(link, flight.localId, message);
  if (reportKey.empty()) return true;
  if (RemoveFlightFromServer(link, reportKey, flight.flightId, message) || message == kRecordNotFound) return true;
  Tell(owner, "An error occurred removing the flight from the server.\r\n" + message, MessageKind::Error);
  return false;
}

// The schedule's flights, held only until they are stored.
void WriteDownloadedFlights(WindowHandle owner, Database& store) {
  PilotInfo pilot;
  store.ReadPilotInfo(pilot);
  ServerLink link;
  link.owner = owner;
  std::vector<AvailableFlight> flights;
  const int downloaded = DownloadSchedule(link, pilot.username, pilot.password, flights);
  // The reply's buffers are gone; handing their pages back keeps them from
  // adding to the stored list that the merge reads next.
  malloc_trim(0);
  switch (downloaded) {
    case -1:
      Tell(nullptr, "There was an error downloading the flights.", MessageKind::Error);
      break;
    case 0:
      Tell(nullptr, "There were no flights found to download.", MessageKind::Information);
      store.ClearFlightList();
      break;
    default:
      // An error answer has been shown and left the list empty; merging it
      // still keeps the completed and removed flights.
      store.WriteAvailableFlights(flights, true);
      break;
  }
}

}  // namespace

bool EnsureConnected(WindowHandle owner) {
  if (IsInternetConnected()) return true;
  Tell(owner, kNotConnected, MessageKind::Information);
  return false;
}

void DownloadFlights(WindowHandle owner) {
  if (!IsInternetConnected()) return;
  Database store(owner);
  WriteDownloadedFlights(owner, store);
  store.PurgeOrphanReports();
}

CommandOutcome ChangeFlightStatus(WindowHandle owner, const std::string& flightId, int32_t target) {
  Database store(owner);
  const AvailableFlight flight = ReadFlight(store, flightId);
  if (!ConfirmStatusChange(owner, flight, target)) return CommandOutcome::Declined;
  const int32_t other =
      target == StatusRequest::RefuelingStop ? StatusRequest::Completed : StatusRequest::RefuelingStop;
  if (flight.status == other) return SetStatusAndTell(owner, store, flightId, target);
  // A flight without its saved flight would otherwise be marked finished with no report behind it.
  if (!CompleteTempFlight(store, flightId)) {
    Tell(owner, kStatusFailed, MessageKind::Error);
    return CommandOutcome::Failed;
  }
  store.SetFlightStatus(flightId, target);
  if (target == StatusRequest::RefuelingStop) Tell(owner, kStatusChanged, MessageKind::Information);
  return CommandOutcome::Done;
}

CommandOutcome MarkRefuelingStop(WindowHandle owner, const std::string& flightId) {
  Database store(owner);
  const AvailableFlight flight = ReadFlight(store, flightId);
  if (!ConfirmStatusChange(owner, flight, StatusRequest::RefuelingStop)) return CommandOutcome::Declined;
  return SetStatusAndTell(owner, store, flightId, StatusRequest::RefuelingStop);
}

CommandOutcome DeleteFlight(WindowHandle owner, const std::string& flightId) {
  if (!EnsureConnected(owner)) return CommandOutcome::Declined;
  Database store(owner);
  AvailableFlight flight = ReadFlight(store, flightId);
  if (!Confirm(owner, "Are you sure you want to remove the data for flight " + DisplayedFlightNumber(flight) + "?"))
    return CommandOutcome::Declined;
  ServerLink link;
  link.owner = owner;
  std::string message;
  const char filed = CheckFlightFiled(link, flight.localId, message);
  if (filed == 'Y') {
    store.SetFlightStatus(flightId, StatusRequest::Filed);
    flight.status = FlightStatus::StatusFiled;
  } else if (filed == 'N' && !RemoveServerReport(owner, link, flight)) {
    // The pilot keeps the flight exactly as it was.
    return CommandOutcome::Failed;
  }
  store.RemoveFlights({flightId}, flight.status & FlightStatus::StatusFiled);
  store.RemoveTempFlight(flightId);
  Tell(owner, "Flight has been successfully deleted.", MessageKind::Information);
  return CommandOutcome::Done;
}

}  // namespace kestrix
