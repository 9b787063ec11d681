#include "console/console_message_box.h"

#include <iostream>
#include <string>

namespace kestrix::console {
namespace {

constexpr unsigned kButtonMask = 0xF;

// Boxes keep the desktop's "\r\n" line breaks; the console wants one per line.
std::string ConsoleText(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

const char* AnswerName(int answer) {
  switch (answer) {
    case MessageResult::Yes: return "Yes";
    case MessageResult::No: return "No";
    case MessageResult::Cancel: return "Cancel";
    default: return "OK";
  }
}

// The answer an unattended console gives to a box of `flags`.
int UnattendedAnswer(unsigned flags) {
  if (flags == MessageKind::RetryCancel) return MessageResult::Cancel;
  return (flags & kButtonMask) != 0 ? MessageResult::Yes : MessageResult::Ok;
}

}  // namespace

int ConsoleMessageBox::Present(const MessageBoxRequest& request) {
  const int answer = UnattendedAnswer(request.flags);
  std::lock_guard lock(mutex);
  std::cout << "[" << request.caption << "] " << ConsoleText(request.text);
  if ((request.flags & kButtonMask) != 0) std::cout << "  -> " << AnswerName(answer);
  std::cout << std::endl;
  return answer;
}

}  // namespace kestrix::console
