#pragma once

#include "platform/message_box.h"

namespace kestrix::gui {

// Shows the core's message boxes as Qt message boxes. Boxes always open on the
// GUI thread: a call from another thread hands the box over and waits for the
// pilot's answer.
class QtMessageBoxPresenter : public MessageBoxPresenter {
 public:
  int Present(const MessageBoxRequest& request) override;
};

}  // namespace kestrix::gui
