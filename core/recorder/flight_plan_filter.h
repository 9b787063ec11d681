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

// The flight window's "Add Flightplan..." ("Update Flightplan..." once the
// flight has one): asks for an existing file of the airline's types, owned by
// `owner`. The chosen path, or empty when the pilot cancelled.
std::string ChooseFlightPlanFile(WindowHandle owner, bool hasFlightPlan);

}  // namespace kestrix
