#pragma once

#include <string>

#include "platform/message_box.h"

namespace kestrix {

// Line kinds of the conversation; the echo of the pilot's own message has the empty kind.
namespace ChatLineKind {
inline constexpr const char* Admin = "admin";
inline constexpr const char* User = "user";
inline constexpr const char* Received = "received";
inline constexpr const char* Private = "private";
inline constexpr const char* Notify = "notify";
inline constexpr const char* OwnEcho = "";
}  // namespace ChatLineKind

// What the chat window does for the chat engine. The engine calls it from the
// UI thread and from its worker; the window carries every call out on the UI
// thread, in the order the calls were made, and never blocks the worker.
class ChatView {
 public:
  virtual ~ChatView() = default;
  // Owner of the chat's message boxes.
  virtual WindowHandle Handle() = 0;
  virtual void AppendLine(const std::string& text, const std::string& kind) = 0;
  // Refills the users list from the engine's SortedUsers().
  virtual void RefillUsers() = 0;
  // The online button's caption: "Online" or "Offline".
  virtual void SetOnlineButtonText(const std::string& text) = 0;
  // A message arrived: flash the window unless it is the active one.
  virtual void AlertIfInBackground() = 0;
};

}  // namespace kestrix
