#pragma once

#include <QPointer>

#include <cstdint>

#include "app/startup.h"
#include "gui/app/splash_screen.h"

namespace kestrix::gui {

// The splash screen and the main dialog, opened by start-up.
class StartupWindows : public kestrix::StartupWindows {
 public:
  void ShowSplash() override;
  void PauseOnSplash(int64_t milliseconds) override;
  void RunMainDialog() override;
  // How long start-up kept the splash on screen before the main dialog opened.
  int64_t SplashPauseNs() const { return splashPauseNs; }

 private:
  // Still open when the pilot leaves the main dialog within its three seconds.
  QPointer<SplashScreen> splash;
  int64_t splashShownNs = 0;
  int64_t splashPauseNs = 0;
};

// Steady-clock nanoseconds, comparable between processes on this machine.
int64_t SteadyNs();

}  // namespace kestrix::gui
