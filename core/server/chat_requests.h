#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/http_engine.h"

namespace kestrix {

inline constexpr std::string_view kChatFieldSeparator = "*^|(";
inline constexpr std::string_view kChatEntrySeparator = "{~!+";

// One pilot known to the chat.
struct ChatUser {
  int32_t number = 0;
  std::string listLabel;
  std::string name;
  bool online = false;

  bool operator==(const ChatUser&) const = default;
};

// -1 request failed, -2 an "ERROR:" answer (shown, `users` emptied), 0 no
// user records (`users` unchanged), else the number of users refilled.
int FetchChatUsers(ServerLink& link, std::vector<ChatUser>& users);

// -1 request failed, -2 an "ERROR:" answer (shown), 0 nothing new, 1 with
// the whole reply in `reply`.
int ChatExchange(ServerLink& link, const std::string& lastTimeStamp, const std::string& outgoingBlock,
                 std::string& reply);

// -1 request failed, -2 an "ERROR:" answer (shown), 1 acknowledged, 0 otherwise.
int SendChatPresence(ServerLink& link, bool online);

}  // namespace kestrix
