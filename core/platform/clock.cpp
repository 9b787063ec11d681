#include "platform/clock.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace kestrix {
namespace {

class SystemClock : public Clock {
 public:
  int64_t NowSeconds() override {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
  }
  uint64_t MonotonicMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  void SleepMs(int64_t milliseconds) override {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

std::mutex clockMutex;
std::shared_ptr<Clock> installedClock;

std::shared_ptr<Clock> CurrentClock() {
  std::lock_guard lock(clockMutex);
  if (!installedClock) installedClock = std::make_shared<SystemClock>();
  return installedClock;
}

}  // namespace

void InstallClock(std::shared_ptr<Clock> clock) {
  std::lock_guard lock(clockMutex);
  installedClock = std::move(clock);
}

int64_t NowSeconds() { return CurrentClock()->NowSeconds(); }
uint64_t MonotonicMs() { return CurrentClock()->MonotonicMs(); }
void SleepMs(int64_t milliseconds) { CurrentClock()->SleepMs(milliseconds); }

}  // namespace kestrix
