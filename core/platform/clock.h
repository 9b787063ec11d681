#pragma once

#include <cstdint>
#include <memory>

namespace kestrix {

// "Now" and sleeping, behind a seam so tests can drive time by hand.
class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970-01-01 UTC.
  virtual int64_t NowSeconds() = 0;
  // Milliseconds from an arbitrary fixed start, never going back.
  virtual uint64_t MonotonicMs() = 0;
  virtual void SleepMs(int64_t milliseconds) = 0;
};

// Replaces the clock; nullptr restores the system clock. Safe from any thread.
void InstallClock(std::shared_ptr<Clock> clock);

int64_t NowSeconds();
uint64_t MonotonicMs();
void SleepMs(int64_t milliseconds);

}  // namespace kestrix
