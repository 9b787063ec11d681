#include "gui/app/startup_windows.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <chrono>

#include "gui/main/main_dialog.h"
#include "platform/clock.h"

namespace kestrix::gui {
namespace {

constexpr uint64_t kPaintStepMs = 15;

}  // namespace

int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void StartupWindows::ShowSplash() {
  splash = gui::ShowSplash();
  splashShownNs = SteadyNs();
}

// A blocked event loop would leave the splash unpainted: the pause lets it
// paint, while the pilot's input waits for the main dialog.
void StartupWindows::PauseOnSplash(int64_t milliseconds) {
  const uint64_t end = MonotonicMs() + static_cast<uint64_t>(std::max<int64_t>(milliseconds, 0));
  for (uint64_t now = MonotonicMs(); now < end; now = MonotonicMs()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    SleepMs(static_cast<int64_t>(std::min<uint64_t>(kPaintStepMs, end - now)));
  }
}

void StartupWindows::RunMainDialog() {
  splashPauseNs = SteadyNs() - splashShownNs;
  gui::RunMainDialog();
  delete splash;
}

}  // namespace kestrix::gui
