#include "console/scaled_clock.h"

#include <thread>

namespace kestrix::console {

ScaledClock::ScaledClock(double speed)
    : speed(speed),
      startSeconds(std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count()),
      start(std::chrono::steady_clock::now()) {}

double ScaledClock::ScaledMsSinceStart() const {
  const std::chrono::duration<double, std::milli> real = std::chrono::steady_clock::now() - start;
  return real.count() * speed;
}

int64_t ScaledClock::NowSeconds() { return startSeconds + static_cast<int64_t>(ScaledMsSinceStart() / 1000); }

uint64_t ScaledClock::MonotonicMs() { return static_cast<uint64_t>(ScaledMsSinceStart()); }

void ScaledClock::SleepMs(int64_t milliseconds) {
  if (milliseconds <= 0) return;
  std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(milliseconds / speed));
}

}  // namespace kestrix::console
