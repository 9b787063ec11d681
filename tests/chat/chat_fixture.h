#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "chat/chat_engine.h"
#include "fake_chat_view.h"
#include "server/airline_fixture.h"
#include "server/command_request.h"
#include "support/fake_clock.h"

namespace kestrix::test {

// Waits, in real time, for another thread's work to show.
inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// The stand-in airline with a second pilot, a chat window and its engine, and
// the worker guard kept in this test's own folder.
class ChatFixture : public AirlineFixture {
 protected:
  static constexpr int kMe = 1234;
  static constexpr int kAmy = 7;

  void SetUp() override {
    AirlineFixture::SetUp();
    setenv("KESTRIX_LOCK_DIR", workDir.Path().c_str(), 1);
    airline.State().AddPilot({"amy", "pw", "7", "Amy Lee", false});
    engine = MakeEngine(view);
  }

  void TearDown() override {
    engine.reset();
    unsetenv("KESTRIX_LOCK_DIR");
    AirlineFixture::TearDown();
  }

  std::unique_ptr<ChatEngine> MakeEngine(FakeChatView& window) {
    auto made = std::make_unique<ChatEngine>(window);
    window.engine = made.get();
    made->LoadServerVariables(StoredServerVariables());
    return made;
  }

  // Users fetched and online, the first (silent) poll made.
  void Join(ChatEngine& chat) {
    ASSERT_GT(chat.FetchUsers(), 0);
    chat.GoOnline();
    chat.PollOnce();
  }

  // The messages of this pilot that reached the server.
  std::vector<std::string> PostedTexts(int from = kMe) {
    std::vector<std::string> texts;
    for (const auto& event : airline.State().ChatEvents())
      if (event.from == from) texts.push_back(event.text);
    return texts;
  }

  std::vector<std::string> LastExchangeValues() {
    auto exchanges = RequestsTo(airline::Route::ChatExchange);
    return exchanges.empty() ? std::vector<std::string>{} : exchanges.back().values;
  }

  ScopedFakeClock clock;
  FakeChatView view;
  std::unique_ptr<ChatEngine> engine;
};

}  // namespace kestrix::test
