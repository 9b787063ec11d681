#include "chat/chat_reply.h"

#include "server/chat_requests.h"

namespace kestrix {

std::vector<ChatRecord> ParseChatReply(std::string_view reply) {
  std::vector<ChatRecord> records;
  size_t start = 0;
  for (size_t end = reply.find(kChatEntrySeparator); end != std::string_view::npos;
       end = reply.find(kChatEntrySeparator, start)) {
    const std::string_view record = reply.substr(start, end - start);
    start = end + kChatEntrySeparator.size();
    const size_t split = record.find(kChatFieldSeparator);
    if (split == std::string_view::npos) continue;
    records.push_back({std::string(record.substr(0, split)),
                       std::string(record.substr(split + kChatFieldSeparator.size()))});
  }
  return records;
}

}  // namespace kestrix
