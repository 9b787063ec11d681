#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/clock.h"

namespace kestrix::test {

// A clock that moves only when told to; sleeping advances it at once.
class FakeClock : public Clock {
 public:
  explicit FakeClock(int64_t startSeconds = 1'800'000'000) : nowMs(startSeconds * 1000) {}
  int64_t NowSeconds() override { return nowMs.load() / 1000; }
  uint64_t MonotonicMs() override { return static_cast<uint64_t>(nowMs.load()); }
  void SleepMs(int64_t milliseconds) override { Advance(milliseconds); }
  void Advance(int64_t milliseconds) { nowMs += milliseconds; }

 private:
  std::atomic<int64_t> nowMs;
};

// Installs a FakeClock for the object's lifetime.
class ScopedFakeClock {
 public:
  explicit ScopedFakeClock(int64_t startSeconds = 1'800'000'000)
      : clock(std::make_shared<FakeClock>(startSeconds)) {
    InstallClock(clock);
  }
  ~ScopedFakeClock() { InstallClock(nullptr); }
  FakeClock& operator*() { return *clock; }
  FakeClock* operator->() { return clock.get(); }

 private:
  std::shared_ptr<FakeClock> clock;
};

}  // namespace kestrix::test
