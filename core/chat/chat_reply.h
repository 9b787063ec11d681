#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrix {

// One record of an exchange reply: the key before the first field separator
// and everything after it.
struct ChatRecord {
  std::string key;
  std::string value;

  bool operator==(const ChatRecord&) const = default;
};

// The records of a reply in order. Text after the last entry separator is
// ignored, and so is a record without a field separator.
std::vector<ChatRecord> ParseChatReply(std::string_view reply);

}  // namespace kestrix
