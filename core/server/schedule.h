#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "server/http_engine.h"
#include "store/records.h"

namespace kestrix {

inline constexpr const char* kClientBuildCode = "203999";

// Appends the pilot's schedule to `flights` and returns how many arrived;
// -1 when the request failed, -2 when the server answered with an error
// (shown, and `flights` emptied). No request without user name and password.
int DownloadSchedule(ServerLink& link, const std::string& userName, const std::string& password,
                     std::vector<AvailableFlight>& flights);

// Appends one flight per "$"-ended record of a schedule reply, each with a
// new local id and status 0; text after the last "$" is ignored.
size_t ParseSchedule(std::string_view reply, std::vector<AvailableFlight>& flights);

// True from 00:01 local time of a month/day/year date on.
bool IsDateExpired(const std::string& date);

}  // namespace kestrix
