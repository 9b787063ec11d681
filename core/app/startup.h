#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace kestrix {

inline constexpr const char* kInstanceLockName = "Kestrix2376473";

// The windows start-up opens once the checks have passed.
class StartupWindows {
 public:
  virtual ~StartupWindows() = default;
  // Shows the splash screen, which closes itself.
  virtual void ShowSplash() = 0;
  // Keeps the splash on screen for `milliseconds` before the main dialog.
  virtual void PauseOnSplash(int64_t milliseconds) { SleepMs(milliseconds); }
  // Runs the main dialog until the pilot leaves it.
  virtual void RunMainDialog() = 0;
};

// The program from its single-instance check to the end of the main dialog;
// returns the process exit code (0, or 1 for a database that is not valid).
// The instance lock stays held until the process ends.
int RunStartup(StartupWindows& windows);

}  // namespace kestrix
