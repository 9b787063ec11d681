#include <condition_variable>

#include "chat_fixture.h"
#include "platform/named_lock.h"

namespace kestrix {
namespace {

using airline::FaultKind;
using airline::Route;
using namespace std::chrono_literals;

// A clock whose sleeps wait until the test opens it, so the worker can be
// caught in its pause.
class GatedClock : public Clock {
 public:
  int64_t NowSeconds() override { return 1'800'000'000; }
  uint64_t MonotonicMs() override { return 0; }
  void SleepMs(int64_t milliseconds) override {
    std::unique_lock lock(mutex);
    ++sleeps;
    changed.notify_all();
    changed.wait(lock, [this] { return open; });
    slept += milliseconds;
  }
  bool WaitForFirstSleep() {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 20s, [this] { return sleeps > 0; });
  }
  void Open() {
    {
      std::lock_guard lock(mutex);
      open = true;
    }
    changed.notify_all();
  }
  int64_t Slept() {
    std::lock_guard lock(mutex);
    return slept;
  }

 private:
  std::mutex mutex;
  std::condition_variable changed;
  int sleeps = 0;
  bool open = false;
  int64_t slept = 0;
};

bool GuardFree() { return NamedLock(kChatWorkerGuardName).TryAcquire(); }

class ChatWorker : public test::ChatFixture {};

TEST_F(ChatWorker, StopIsSeenWithinTheCurrentPause) {
  auto clock = std::make_shared<GatedClock>();
  InstallClock(clock);
  engine->LoadServerVariables({{"chatRefreshTime", "60000"}});
  Join(*engine);
  ASSERT_TRUE(engine->StartWorker());
  ASSERT_TRUE(clock->WaitForFirstSleep());
  EXPECT_EQ(RequestsTo(Route::ChatExchange).size(), 2u);

  engine->RequestStop();
  clock->Open();
  ASSERT_TRUE(test::Eventually(GuardFree));
  EXPECT_LE(clock->Slept(), 100);
  EXPECT_EQ(RequestsTo(Route::ChatExchange).size(), 2u);
}

TEST_F(ChatWorker, GuardAllowsOneWorkerAtATime) {
  test::FakeChatView otherView;
  auto other = MakeEngine(otherView);
  ASSERT_TRUE(engine->StartWorker());
  EXPECT_FALSE(engine->StartWorker());
  EXPECT_FALSE(other->StartWorker());
  engine.reset();
  EXPECT_TRUE(other->StartWorker());
}

// The window's thread sends and reads while the worker polls a server that
// answers slowly; every message arrives once and in order.
TEST_F(ChatWorker, WindowThreadAndWorkerShareTheChat) {
  airline.Faults().Set(Route::ChatExchange, test::MakeFault(FaultKind::Slow, "", 20));
  Join(*engine);
  ASSERT_TRUE(engine->StartWorker());
  std::vector<std::string> typed;
  for (int i = 0; i < 20; ++i) {
    typed.push_back("m" + std::to_string(i));
    engine->Send(typed.back());
    EXPECT_TRUE(engine->HasUsers());
    EXPECT_FALSE(engine->SortedUsers().empty());
    EXPECT_FALSE(engine->LastTimeStamp().empty());
    if (i == 10) {
      engine->GoOffline();
      engine->GoOnline();
    }
  }
  // The worker's refills read the users on its own thread.
  EXPECT_TRUE(test::Eventually([&] { return PostedTexts().size() == typed.size() && view.log->Count("refill") > 3; }));
  engine.reset();
  EXPECT_EQ(PostedTexts(), typed);
  EXPECT_TRUE(view.log->Lines(ChatLineKind::Notify).empty());
}

// A worker stuck in a request outlives its engine and its window without
// touching either again.
TEST_F(ChatWorker, EngineDoesNotWaitLongForAStuckWorker) {
  SetDefaultHttpTimeouts({.connectMs = 20000, .sendMs = 20000, .receiveMs = 20000});
  auto window = std::make_unique<test::FakeChatView>();
  auto chat = MakeEngine(*window);
  const std::shared_ptr<test::ViewLog> log = window->log;
  Join(*chat);
  airline.Faults().Set(Route::ChatExchange, test::MakeFault(FaultKind::Silent, "", 30000));
  chat->Send("stuck");
  ASSERT_TRUE(chat->StartWorker());
  ASSERT_TRUE(test::Eventually([&] { return RequestsTo(Route::ChatExchange).size() == 2; }));

  const auto start = std::chrono::steady_clock::now();
  chat.reset();
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 4500ms);
  EXPECT_LT(waited, 6000ms);
  window.reset();
  EXPECT_FALSE(GuardFree());

  airline.Stop();
  ASSERT_TRUE(test::Eventually(GuardFree));
  EXPECT_FALSE(boxes.Shown().empty());
  EXPECT_TRUE(log->Lines(ChatLineKind::Notify).empty());
}

}  // namespace
}  // namespace kestrix
