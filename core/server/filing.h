#pragma once

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "server/http_engine.h"
#include "store/records.h"

namespace kestrix {

// Files a stored flight with the airline, from the pilot check to the
// confirmed PIREP, showing its own messages. True when the flight was filed
// or had been filed already.
bool FileFlightReport(WindowHandle owner, const std::string& flightId);

// -1 when the server could not be asked; 0 when it has no report of the
// flight; 1 when it has one, with `filed` the letter it gave ('Y' when filed).
int GetFilingState(ServerLink& link, const std::string& localId, char& filed);

// 1 when the server has no report for the flight yet, 0 when it has, -1 on failure.
int CheckReportMissing(ServerLink& link, const std::string& localId, std::string& message);
// 'Y' or 'N' as the server says; '\0' on failure.
char CheckFlightFiled(ServerLink& link, const std::string& localId, std::string& message);
// The server's key of the flight's report; empty on failure.
std::string GetReportKey(ServerLink& link, const std::string& localId, std::string& message);
// 1 accepted, 0 answered otherwise, -1 failed or an input missing (null or empty pilot number).
int UploadFlightReport(ServerLink& link, const std::string& pilotNumber, const AvailableFlight* flight,
                       const FlightRecord* report, std::string& message);
// Uploads the points in chunks of "flightPointUploadSize" bytes, chaining
// each chunk to the previous one's "REPORTID"; stops at the first failure.
void UploadFlightPoints(ServerLink& link, const std::vector<FlightPoint>& points, const std::string& reportKey,
                        std::string& message);

// The points as the server takes them: 20 bytes each, latitude, longitude
// (little-endian doubles) and altitude (little-endian 32-bit); no heading.
std::string SerializeUploadPoints(const std::vector<FlightPoint>& points);

// One report for a flight flown in several legs; `legs` holds at least one.
FlightRecord CombineReports(const std::vector<FlightRecord>& legs);

// "server" + "pirepPage" + "?data=" + the scrambled, hex-written log-in data.
std::string ReportPageAddress(const std::string& server, const std::string& pirepPage, const std::string& userName,
                              const std::string& password, const std::string& reportKey);

// Removes the flight's data from the server; on success `message` is the "OK" value.
bool RemoveFlightFromServer(ServerLink& link, const std::string& reportKey, const std::string& flightId,
                            std::string& message);

}  // namespace kestrix
