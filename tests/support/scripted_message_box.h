#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace kestrix::test {

// Installs itself as the message-box presenter for its lifetime. Boxes with
// only an OK button are answered OK; a question takes the next scripted
// answer, and a question nobody scripted fails the test.
class ScriptedMessageBox {
 public:
  ScriptedMessageBox();
  ~ScriptedMessageBox();
  ScriptedMessageBox(const ScriptedMessageBox&) = delete;
  ScriptedMessageBox& operator=(const ScriptedMessageBox&) = delete;

  // Queues the answer (MessageResult::Yes, No, Cancel, Ok) for the next question.
  void Answer(int result);
  std::vector<MessageBoxRequest> Shown() const;
  std::vector<std::string> Texts() const;
  // True when a box with exactly this text was shown.
  bool Saw(const std::string& text) const;
  size_t UnusedAnswers() const;
  void Clear();

 private:
  class Presenter;
  std::shared_ptr<Presenter> presenter;
};

}  // namespace kestrix::test
