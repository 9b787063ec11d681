#include "gui/startup_windows.h"

#include <QApplication>

#include <chrono>

#include "gui/main_dialog.h"
#include "gui/splash_screen.h"

namespace kestrix::gui {

int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void StartupWindows::ShowSplash() {
  gui::ShowSplash();
  // Paint it now: start-up pauses before the main dialog opens.
  QApplication::processEvents();
  splashShownNs = SteadyNs();
}

void StartupWindows::RunMainDialog() {
  splashPauseNs = SteadyNs() - splashShownNs;
  gui::RunMainDialog();
}

}  // namespace kestrix::gui
