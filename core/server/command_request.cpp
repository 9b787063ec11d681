#include "server/command_request.h"

#include <algorithm>
#include <locale>
#include <sstream>

#include "store/database.h"

namespace kestrix {

std::string JoinValues(std::initializer_list<std::string_view> values, std::string_view separator) {
  std::string joined;
  for (auto value = values.begin(); value != values.end(); ++value) {
    if (value != values.begin()) joined += separator;
    joined += *value;
  }
  return joined;
}

std::string ComposeCommandObject(const std::string& page, const std::string& command, std::string_view values) {
  std::string object = page + EncodeCommand(command) + "&v=";
  object += values;
  return object;
}

bool SendCommand(ServerLink& link, const std::string& object, ReplyMap& parsed, std::string& message) {
  std::string reply;
  const bool sent = SendHttpRequest(link, StoredServerHost(), object, reply, true);
  return CheckReply(sent, reply, parsed, message);
}

ServerVariables StoredServerVariables() {
  ServerVariables variables;
  Database().ReadServerVariables(variables);
  return variables;
}

std::string StoredServerHost() { return Variable(StoredServerVariables(), "server"); }

PilotInfo StoredPilotInfo() {
  PilotInfo info;
  Database().ReadPilotInfo(info);
  return info;
}

std::string Variable(const ServerVariables& variables, const std::string& name) {
  auto found = variables.find(name);
  return found == variables.end() ? "" : found->second;
}

long long LeadingDecimal(std::string_view text) {
  size_t at = text.find_first_not_of(" \t\n\v\f\r");
  if (at == std::string_view::npos) return 0;
  const bool negative = text[at] == '-';
  if (text[at] == '-' || text[at] == '+') ++at;
  constexpr long long kLimit = 1'000'000'000'000'000LL;
  long long value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    value = std::min(kLimit, value * 10 + (text[at] - '0'));
  return negative ? -value : value;
}

std::string StreamText(double value) {
  std::ostringstream stream;
  stream.imbue(std::locale::classic());
  stream << value;
  return stream.str();
}

int FetchSettingsPage(ServerLink& link, const std::string& host, const std::string& object, std::string& text) {
  std::string reply;
  SendHttpRequest(link, host, object, reply, true);
  if (reply.empty()) return -1;
  if (reply.find("Not Found") != std::string::npos || reply.find("PAGE NOT FOUND") != std::string::npos) return -2;
  ReplaceAll(reply, "\r\n", "#");
  text = reply + "$";
  return 0;
}

}  // namespace kestrix
