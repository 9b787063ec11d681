#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/clock.h"

namespace kestrix {

// A clock whose sleeps pass at once, so retries and waits cost the fuzzer
// nothing; it starts from a fixed moment so runs repeat.
class FuzzClock : public Clock {
 public:
  int64_t NowSeconds() override { return nowMs / 1000; }
  uint64_t MonotonicMs() override { return static_cast<uint64_t>(nowMs.load()); }
  void SleepMs(int64_t milliseconds) override { nowMs += milliseconds; }

 private:
  std::atomic<int64_t> nowMs{1'800'000'000'000};
};

inline bool InstallFuzzClock() {
  InstallClock(std::make_shared<FuzzClock>());
  return true;
}

}  // namespace kestrix
