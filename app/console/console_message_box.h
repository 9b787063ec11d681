#pragma once

#include <mutex>

#include "platform/message_box.h"

namespace kestrix::console {

// Prints every box with its caption. Nobody sits at the console to answer,
// so questions get Yes and a lost simulator connection gets Cancel (retrying
// without a pilot could go on for ever); the answer is printed too.
class ConsoleMessageBox : public MessageBoxPresenter {
 public:
  int Present(const MessageBoxRequest& request) override;

 private:
  std::mutex mutex;
};

}  // namespace kestrix::console
