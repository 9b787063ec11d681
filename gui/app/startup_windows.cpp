#include "gui/app/startup_windows.h"

#include <chrono>

#include "gui/main/main_dialog.h"

namespace kestrix::gui {

int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void StartupWindows::ShowSplash() {
  splash = gui::ShowSplash();
  splashShownNs = SteadyNs();
}

void StartupWindows::RunMainDialog() {
  splashPauseNs = SteadyNs() - splashShownNs;
  gui::RunMainDialog();
  delete splash;
}

}  // namespace kestrix::gui
