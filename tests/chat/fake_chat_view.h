#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "chat/chat_engine.h"

namespace kestrix::test {

// Every call the engine made on its window, in order.
struct ViewCall {
  std::string what;  // "line", "refill", "button", "alert"
  std::string text;
  std::string kind;

  bool operator==(const ViewCall&) const = default;
};

// Kept apart from the view so a test can still read it once the view is gone.
class ViewLog {
 public:
  void Add(ViewCall call) {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(call));
  }
  std::vector<ViewCall> Calls() const {
    std::lock_guard lock(mutex);
    return calls;
  }
  std::vector<ViewCall> Lines(const std::string& kind) const {
    std::vector<ViewCall> found;
    for (auto& call : Calls())
      if (call.what == "line" && call.kind == kind) found.push_back(call);
    return found;
  }
  size_t Count(const std::string& what) const {
    size_t count = 0;
    for (auto& call : Calls()) count += call.what == what;
    return count;
  }
  void Clear() {
    std::lock_guard lock(mutex);
    calls.clear();
  }

 private:
  mutable std::mutex mutex;
  std::vector<ViewCall> calls;
};

// A chat window that records what it is told; like the real one it reads the
// engine's sorted users when told to refill, on whichever thread calls it.
class FakeChatView : public ChatView {
 public:
  static inline WindowHandle const kHandle = reinterpret_cast<WindowHandle>(0x171);

  WindowHandle Handle() override { return kHandle; }
  void AppendLine(const std::string& text, const std::string& kind) override { log->Add({"line", text, kind}); }
  void RefillUsers() override {
    std::string labels;
    if (engine)
      for (const ChatUser& user : engine->SortedUsers()) labels += user.listLabel + (user.online ? "+" : "-") + ";";
    log->Add({"refill", labels, ""});
  }
  void SetOnlineButtonText(const std::string& text) override { log->Add({"button", text, ""}); }
  void AlertIfInBackground() override { log->Add({"alert", "", ""}); }

  ChatEngine* engine = nullptr;
  std::shared_ptr<ViewLog> log = std::make_shared<ViewLog>();
};

}  // namespace kestrix::test
