#pragma once

#include <string>
#include <vector>

#include "platform/file_chooser.h"

namespace kestrix {

// The file types the airline accepts as flight plans, from the server
// variable "flightPlanFileMask": "@"-separated description and pattern
// pairs, "_" standing for a space ("Flight_plans@*.pln@"). As in the
// system's filter lists, an empty description or pattern ends the list and a
// description without a pattern is left out. No entries offer every file.
std::vector<FileFilter> FlightPlanFilters(const std::string& mask);

// Flight plans are small text files; anything larger than this is not one,
// and uploading it would keep the pilot waiting through hundreds of requests.
inline constexpr size_t kMaxFlightPlanBytes = 64 * 1024;

// Why the file at `path` cannot be a flight plan (unreadable, too large, or
// binary), or empty when it can.
std::string FlightPlanFileProblem(const std::string& path);

// The flight window's "Add Flightplan..." ("Update Flightplan..." once the
// flight has one): asks for an existing file of the airline's types, owned by
// `owner`. The chosen path, or empty when the pilot cancelled or the file
// cannot be a flight plan (the pilot is told why).
std::string ChooseFlightPlanFile(WindowHandle owner, bool hasFlightPlan);

}  // namespace kestrix
