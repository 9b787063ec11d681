#pragma once

#include <chrono>
#include <cstdint>

#include "platform/clock.h"

namespace kestrix::console {

// A clock that runs `speed` times real time from the moment it is made, so
// the recorder keeps step with a simulator flying at the same speed.
class ScaledClock : public Clock {
 public:
  explicit ScaledClock(double speed);
  int64_t NowSeconds() override;
  uint64_t MonotonicMs() override;
  void SleepMs(int64_t milliseconds) override;

 private:
  double ScaledMsSinceStart() const;

  double speed;
  int64_t startSeconds;
  std::chrono::steady_clock::time_point start;
};

}  // namespace kestrix::console
