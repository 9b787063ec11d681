#include "support/scripted_message_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace kestrix::test {

class ScriptedMessageBox::Presenter : public MessageBoxPresenter {
 public:
  int Present(const MessageBoxRequest& request) override {
    std::lock_guard lock(mutex);
    shown.push_back(request);
    // The desktop's presenter knows only these; any other box would reach the pilot wrongly.
    if (std::find(std::begin(MessageKind::All), std::end(MessageKind::All), request.flags) == std::end(MessageKind::All))
      ADD_FAILURE() << "no such message kind " << request.flags << ": \"" << request.text << "\"";
    if (!IsQuestion(request.flags)) return MessageResult::Ok;
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: \"" << request.text << "\" (" << request.caption << ")";
      return MessageResult::Failed;
    }
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  static bool IsQuestion(unsigned flags) { return (flags & 0x0F) != 0; }

  mutable std::mutex mutex;
  std::vector<MessageBoxRequest> shown;
  std::deque<int> answers;
};

ScriptedMessageBox::ScriptedMessageBox() : presenter(std::make_shared<Presenter>()) {
  InstallMessageBoxPresenter(presenter);
}

ScriptedMessageBox::~ScriptedMessageBox() { InstallMessageBoxPresenter(nullptr); }

void ScriptedMessageBox::Answer(int result) {
  std::lock_guard lock(presenter->mutex);
  presenter->answers.push_back(result);
}

std::vector<MessageBoxRequest> ScriptedMessageBox::Shown() const {
  std::lock_guard lock(presenter->mutex);
  return presenter->shown;
}

std::vector<std::string> ScriptedMessageBox::Texts() const {
  std::vector<std::string> texts;
  for (const auto& request : Shown()) texts.push_back(request.text);
  return texts;
}

bool ScriptedMessageBox::Saw(const std::string& text) const {
  auto texts = Texts();
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

size_t ScriptedMessageBox::UnusedAnswers() const {
  std::lock_guard lock(presenter->mutex);
  return presenter->answers.size();
}

void ScriptedMessageBox::Clear() {
  std::lock_guard lock(presenter->mutex);
  presenter->shown.clear();
}

}  // namespace kestrix::test
