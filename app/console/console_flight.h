#pragma once

#include "console/console_options.h"

namespace kestrix::console {

// Exit codes of a console run.
namespace ConsoleExit {
inline constexpr int Filed = 0;
inline constexpr int StartUpFailed = 1;
inline constexpr int FlightFailed = 2;
inline constexpr int FilingFailed = 3;
inline constexpr int BadArguments = 64;
}  // namespace ConsoleExit

// Start-up, schedule, one recorded flight and its filing, with the console's
// desktop services installed for the duration; returns a ConsoleExit code.
int RunConsoleFlight(const ConsoleOptions& options);

}  // namespace kestrix::console
