#include "server/chat_requests.h"

#include "scrambled/server_strings.h"
#include "server/command_request.h"
#include "store/string_protection.h"

namespace kestrix {
namespace {

// Sends the pilot number followed by `moreValues` (each with its leading
// separator): -1 failed, -2 an "ERROR:" answer (shown), 0 no entry separator
// in the reply, 1 otherwise.
int SendChatRequest(ServerLink& link, const std::string& command, std::string_view moreValues, std::string& reply) {
  const std::string joined = StoredPilotInfo().pilotNumber + std::string(moreValues);
  const std::string object = ComposeCommandObject(Reveal(scrambled::PageChat), command, joined);
  if (!SendHttpRequest(link, StoredServerHost(), object, reply, true)) return -1;
  if (reply.starts_with("ERROR:")) {
    ShowMessageBox(link.owner, reply.substr(6), kProgramCaption, MessageKind::Error);
    return -2;
  }
  return reply.find(kChatEntrySeparator) == std::string::npos ? 0 : 1;
}

// "number*^|(label*^|(name"; missing fields stay empty.
ChatUser ParseChatUser(std::string_view record) {
  ChatUser user;
  const size_t first = record.find(kChatFieldSeparator);
  user.number = static_cast<int32_t>(LeadingDecimal(record.substr(0, first)));
  if (first == std::string_view::npos) return user;
  const std::string_view rest = record.substr(first + kChatFieldSeparator.size());
  const size_t second = rest.find(kChatFieldSeparator);
  user.listLabel = std::string(rest.substr(0, second));
  if (second != std::string_view::npos) user.name = std::string(rest.substr(second + kChatFieldSeparator.size()));
  return user;
}

}  // namespace

int FetchChatUsers(ServerLink& link, std::vector<ChatUser>& users) {
  std::string reply;
  const int result = SendChatRequest(link, Reveal(scrambled::CmdChatUsers), "", reply);
  if (result == -2) users.clear();
  if (result != 1) return result;
  users.clear();
  const std::string_view text(reply);
  size_t start = 0;
  for (size_t end = text.find(kChatEntrySeparator); end != std::string_view::npos;
       end = text.find(kChatEntrySeparator, start)) {
    users.push_back(ParseChatUser(text.substr(start, end - start)));
    start = end + kChatEntrySeparator.size();
  }
  return static_cast<int>(users.size());
}

int ChatExchange(ServerLink& link, const std::string& lastTimeStamp, const std::string& outgoingBlock,
                 std::string& reply) {
  std::string values = std::string(kChatFieldSeparator) + lastTimeStamp;
  if (!outgoingBlock.empty()) values.append(kChatFieldSeparator).append(outgoingBlock);
  std::string received;
  const int result = SendChatRequest(link, Reveal(scrambled::CmdChatExchange), values, received);
  if (result == 1) reply = std::move(received);
  return result;
}

int SendChatPresence(ServerLink& link, bool online) {
  std::string reply;
  return SendChatRequest(link, Reveal(scrambled::CmdChatPresence), std::string(kChatFieldSeparator) + (online ? "1" : "0"), reply);
}

}  // namespace kestrix
