// The records of a chat exchange reply, as the chat's worker reads them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "chat/chat_reply.h"
#include "server/chat_requests.h"

using namespace kestrix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  size_t carried = 0;
  for (const ChatRecord& record : ParseChatReply(reply)) {
    // A key ends at the first field separator and no record spans an entry separator.
    if (record.key.find(kChatFieldSeparator) != std::string::npos) __builtin_trap();
    if (record.key.find(kChatEntrySeparator) != std::string::npos) __builtin_trap();
    if (record.value.find(kChatEntrySeparator) != std::string::npos) __builtin_trap();
    carried += record.key.size() + kChatFieldSeparator.size() + record.value.size() + kChatEntrySeparator.size();
  }
  if (carried > size) __builtin_trap();
  return 0;
}
