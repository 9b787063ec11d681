#include "server/filing.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/clock.h"
#include "platform/web_host.h"
#include "scrambled/server_strings.h"
#include "server/account.h"
#include "server/command_request.h"
#include "store/database.h"
#include "protocol/scramble.h"
#include "store/string_protection.h"

namespace kestrix {
namespace {

constexpr const char* kPilotMismatch =
    "The saved Pilot Number does not match the one on record.\r\nPlease go to Settings->Maintenance->Edit Pilot "
    "Info to reset.\r\n\r\nThis flight may not upload correctly.";
constexpr const char* kAlreadyFiled = "This flight has already been PIREP'ed.\r\nWould you like to remove the data for it?";
constexpr const char* kFlightsUnreadable = "There was an error retrieving the flights list.";
constexpr const char* kReportsUnreadable = "There was an error retrieving the flight reports.";
constexpr const char* kReportRejected = "There was an error uploading the flight results.";
constexpr const char* kReportNeverArrived = "The flight report never made it to the database.";
constexpr const char* kPirepNotConfirmed = "There was an error with the pirep control.";
constexpr int kConfirmAttempts = 5;
constexpr int64_t kConfirmWaitMs = 500;
constexpr int kProgressSteps = 3;

// A single-value request on the flight operations page; true when the reply
// passed the common check, with `ok` its "OK" value.
bool AskAboutFlight(ServerLink& link, const std::string& command, const std::string& localId, std::string& ok) {
  ReplyMap parsed;
  return SendCommand(link, ComposeCommandObject(Reveal(scrambled::PageFlights), command, localId), parsed, ok);
}

// Asks up to five times, half a second apart, until `confirmed` holds.
template <typename Check>
bool AwaitConfirmation(Check confirmed) {
  for (int attempt = 0; attempt < kConfirmAttempts; ++attempt) {
    if (confirmed()) return true;
    SleepMs(kConfirmWaitMs);
  }
  return false;
}

void ShowError(WindowHandle owner, const std::string& text) {
  ShowMessageBox(owner, text, kProgramCaption, MessageKind::Error);
}

void AppendLittleEndian(std::string& out, const void* value, size_t size) {
  unsigned char bytes[8];
  std::memcpy(bytes, value, size);
  if constexpr (std::endian::native == std::endian::big) std::reverse(bytes, bytes + size);
  out.append(reinterpret_cast<const char*>(bytes), size);
}

// The report data behind the report page: log-in and report key, scrambled
// and written as lower-case hexadecimal.
std::string ReportPageData(const std::string& userName, const std::string& password, const std::string& reportKey) {
  std::string data = userName + "#" + password + "#" + reportKey + "$";
  ScrambleValue(data);
  std::string text;
  char pair[3];
  for (unsigned char c : data) {
    std::snprintf(pair, sizeof pair, "%02x", c);
    text += pair;
  }
  return text;
}

// Shows the report page and waits until the server has the PIREP.
bool CompletePirep(WindowHandle owner, ServerLink& link, const ServerVariables& variables, const PilotInfo& pilot,
                   const std::string& localId) {
  std::string message;
  const std::string reportKey = GetReportKey(link, localId, message);
  EnableOwnerWindow(owner, false);
  ShowWebPage(owner, Variable(variables, "server") + Variable(variables, "pirepPage") + "?data=",
              ReportPageData(pilot.username, pilot.password, reportKey));
  EnableOwnerWindow(owner, true);
  BringWindowToTop(owner);
  if (AwaitConfirmation([&] { return CheckFlightFiled(link, localId, message) == 'Y'; })) return true;
  ShowError(owner, kPirepNotConfirmed);
  return false;
}

// Uploads the report and its points, and waits until the server lists it.
bool UploadReportAndPoints(WindowHandle owner, ServerLink& link, const ServerVariables& variables,
                           const PilotInfo& pilot, const AvailableFlight& flight) {
  auto progress = CreateProgressDialog();
  progress->Open(owner);
  progress->SetSteps(kProgressSteps);
  progress->SetText("Processing flight info.");
  auto fail = [&](const std::string& text) {
    progress->Close();
    ShowError(owner, text);
    return false;
  };

  Database store(owner);
  std::vector<FlightRecord> reports;
  if (store.ReadFlightReports(reports, true) < 0) return fail(kReportsUnreadable);
  std::vector<FlightRecord> legs;
  for (FlightRecord& report : reports)
    if (report.flightId == flight.flightId) legs.push_back(std::move(report));
  if (legs.empty()) return fail(kReportsUnreadable);
  const FlightRecord combined = legs.size() == 1 ? legs.front() : CombineReports(legs);

  progress->Step();
  progress->SetText("Uploading flight");
  std::string message;
  switch (UploadFlightReport(link, pilot.pilotNumber, &flight, &combined, message)) {
    case -1:
      return fail(message);
    case 0:
      return fail(kReportRejected);
    default:
      break;
  }
  progress->Step();
  progress->SetText("Uploading data points");

  if (Variable(variables, "flightPointsEnabledTest") == "True") {
    const std::string reportKey = GetReportKey(link, flight.localId, message);
    for (const FlightRecord& leg : legs)
      if (!leg.points.empty()) UploadFlightPoints(link, leg.points, reportKey, message);
  }
  if (!AwaitConfirmation([&] { return CheckReportMissing(link, flight.localId, message) == 0; }))
    return fail(kReportNeverArrived);
  store.SetFlightStatus(flight.flightId, StatusRequest::Removed);
  progress->Close();
  return true;
}

}  // namespace

int CheckReportMissing(ServerLink& link, const std::string& localId, std::string& message) {
  if (!AskAboutFlight(link, Reveal(scrambled::CmdCheckReportMissing), localId, message)) return -1;
  return message == "TRUE" ? 1 : 0;
}

char CheckFlightFiled(ServerLink& link, const std::string& localId, std::string& message) {
  if (!AskAboutFlight(link, Reveal(scrambled::CmdCheckFlightFiled), localId, message) || message.empty()) return '\0';
  return message.front();
}

std::string GetReportKey(ServerLink& link, const std::string& localId, std::string& message) {
  if (!AskAboutFlight(link, Reveal(scrambled::CmdGetReportKey), localId, message)) return "";
  return message;
}

int GetFilingState(ServerLink& link, const std::string& localId, char& filed) {
  std::string message;
  switch (CheckReportMissing(link, localId, message)) {
    case -1:
      return -1;
    case 1:
      return 0;
    default:
      filed = CheckFlightFiled(link, localId, message);
      return 1;
  }
}

int UploadFlightReport(ServerLink& link, const std::string& pilotNumber, const AvailableFlight* flight,
                       const FlightRecord* report, std::string& message) {
  if (pilotNumber.empty() || !flight || !report) return -1;
  std::string airlineName = flight->airlineName;
  ReplaceAll(airlineName, "&", "0x38");
  auto number = [](auto value) { return std::to_string(value); };
  const std::string values = JoinValues({
      pilotNumber, "", flight->localId, flight->type, flight->flightId, flight->departure, flight->departureName,
      flight->arrival, flight->arrivalName, flight->airlineIcao, airlineName, flight->flightNumber,
      number(report->flightMinutes), number(report->groundMinutesLeft), StreamText(report->lastLatitude),
      StreamText(report->lastLongitude), number(report->lastFeedTime), number(static_cast<uint32_t>(report->fuelUsed)),
      StreamText(report->landingRate), "", number(static_cast<uint32_t>(report->savedTime)),
  });
  ReplyMap parsed;
  if (!SendCommand(link, ComposeCommandObject(Reveal(scrambled::PageFlights), Reveal(scrambled::CmdUploadReport), values),
                   parsed, message))
    return -1;
  return message == "TRUE" ? 1 : 0;
}

std::string SerializeUploadPoints(const std::vector<FlightPoint>& points) {
  std::string bytes;
  bytes.reserve(points.size() * 20);
  for (const FlightPoint& point : points) {
    AppendLittleEndian(bytes, &point.latitude, sizeof point.latitude);
    AppendLittleEndian(bytes, &point.longitude, sizeof point.longitude);
    AppendLittleEndian(bytes, &point.altitude, sizeof point.altitude);
  }
  return bytes;
}

void UploadFlightPoints(ServerLink& link, const std::vector<FlightPoint>& points, const std::string& reportKey,
                        std::string& message) {
  if (reportKey.empty() || points.empty()) return;
  // A missing or non-positive chunk size leaves nothing sensible to cut by.
  const long long chunkSize = LeadingDecimal(Variable(StoredServerVariables(), "flightPointUploadSize"));
  if (chunkSize <= 0) return;
  const std::string bytes = SerializeUploadPoints(points);
  const std::string start =
      ComposeCommandObject(Reveal(scrambled::PageFlights), Reveal(scrambled::CmdUploadPoints),
                           JoinValues({reportKey, std::to_string(points.size()), "7", ""}));
  std::string chainKey = "0";
  const auto size = static_cast<size_t>(chunkSize);
  for (size_t offset = 0; offset < bytes.size(); offset += size) {
    const std::string object =
        start + HexEncode(std::string_view(bytes).substr(offset, size)) + std::string(kValueSeparator) + chainKey;
    ReplyMap parsed;
    if (!SendCommand(link, object, parsed, message)) return;
    if (message == "TRUE") chainKey = Variable(parsed, "REPORTID");
  }
}

FlightRecord CombineReports(const std::vector<FlightRecord>& legs) {
  FlightRecord combined;
  combined.flightId = legs.front().flightId;
  combined.startTime = std::numeric_limits<int64_t>::max();
  double landingRates = 0;
  int64_t landingSpeeds = 0;
  for (size_t i = 0; i < legs.size(); ++i) {
    const FlightRecord& leg = legs[i];
    // The first leg gives the position until a later-starting leg replaces it.
    if (i == 0 || leg.startTime > combined.startTime) {
      combined.groundMinutesLeft = leg.groundMinutesLeft;
      combined.lastFeedTime = leg.lastFeedTime;
      combined.lastLatitude = leg.lastLatitude;
      combined.lastLongitude = leg.lastLongitude;
    }
    combined.startTime = std::min(combined.startTime, leg.startTime);
    combined.flightMinutes += leg.flightMinutes;
    combined.fuelUsed += leg.fuelUsed;
    landingRates += leg.landingRate;
    landingSpeeds += leg.landingSpeed;
  }
  const auto count = static_cast<int64_t>(legs.size());
  combined.landingRate = landingRates / static_cast<double>(count);
  combined.landingSpeed = static_cast<int32_t>(landingSpeeds / count);
  return combined;
}

std::string ReportPageAddress(const std::string& server, const std::string& pirepPage, const std::string& userName,
                              const std::string& password, const std::string& reportKey) {
  return server + pirepPage + "?data=" + ReportPageData(userName, password, reportKey);
}

bool RemoveFlightFromServer(ServerLink& link, const std::string& reportKey, const std::string& flightId,
                            std::string& message) {
  ReplyMap parsed;
  const std::string object = ComposeCommandObject(Reveal(scrambled::PageFlights), Reveal(scrambled::CmdRemoveFlight),
                                                  JoinValues({reportKey, flightId}));
  return SendCommand(link, object, parsed, message);
}

bool FileFlightReport(WindowHandle owner, const std::string& flightId) {
  const ServerVariables variables = StoredServerVariables();
  const PilotInfo pilot = StoredPilotInfo();
  ServerLink link;

  std::string onRecord;
  if (!VerifyPilot(link, pilot.username, pilot.password, onRecord) || onRecord != pilot.pilotNumber) {
    ShowError(owner, kPilotMismatch);
    return false;
  }

  Database store(owner);
  AvailableFlight stored;
  store.ReadAvailableFlight(flightId, stored);
  char filed = '\0';
  const int state = GetFilingState(link, stored.localId, filed);
  if (state == -1) return false;
  if (state == 1 && filed == 'Y') {
    if (ShowMessageBox(owner, kAlreadyFiled, kProgramCaption, MessageKind::YesNoInformation) == MessageResult::Yes) {
      store.RemoveFlights({flightId}, true);
      store.SetFlightStatus(flightId, StatusRequest::Filed);
    }
    return true;
  }

  std::vector<AvailableFlight> flights;
  store.ReadAvailableFlights(flights);
  const auto match = std::find_if(flights.rbegin(), flights.rend(),
                                  [&](const AvailableFlight& entry) { return entry.flightId == flightId; });
  if (match == flights.rend()) {
    ShowError(owner, kFlightsUnreadable);
    return false;
  }
  const AvailableFlight flight = *match;

  if (state == 0 && !UploadReportAndPoints(owner, link, variables, pilot, flight)) return false;
  if (!CompletePirep(owner, link, variables, pilot, flight.localId)) return false;

  if (flight.type == "SCH" || IsGuidString(flightId)) {
    store.RemoveFlights({flightId}, false);
  } else {
    store.RemoveFlights({flightId}, true);
    store.SetFlightStatus(flightId, StatusRequest::Filed);
  }
  return true;
}

}  // namespace kestrix
