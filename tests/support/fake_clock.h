#pragma once

#include <atomic>
#include <cstdint>
#include <chrono>
#include <memory>
#include <thread>

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

// A fake clock for tests that run the program's background threads too (the
// chat's worker): only the test's own thread moves time, the others sleep
// for real, so a polling worker cannot race the test's clock ahead.
class TestThreadClock : public FakeClock {
 public:
  void SleepMs(int64_t milliseconds) override {
    if (std::this_thread::get_id() == owner) {
      FakeClock::SleepMs(milliseconds);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
  }

 private:
  const std::thread::id owner = std::this_thread::get_id();
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
