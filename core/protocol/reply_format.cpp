#include "protocol/reply_format.h"

#include <sys/random.h>
#include <uuid/uuid.h>

#include <cstring>

#include <utility>

#include "platform/clock.h"
#include "protocol/scramble.h"

namespace kestrix {
namespace {

// An item without "=" is stored with the whole item as key and value.
void StoreItem(std::string_view item, ReplyMap& reply) {
  const auto equals = item.find('=');
  if (equals == std::string_view::npos) {
    reply[std::string(item)] = std::string(item);
  } else {
    reply[std::string(item.substr(0, equals))] = std::string(item.substr(equals + 1));
  }
}

// Random bytes drawn from the kernel a page at a time: a schedule of tens of
// thousands of flights needs one GUID per flight.
bool TakePooledRandom(unsigned char* out, size_t size) {
  thread_local unsigned char pool[4096];
  thread_local size_t used = sizeof pool;
  if (used + size > sizeof pool) {
    if (getrandom(pool, sizeof pool, 0) != static_cast<ssize_t>(sizeof pool)) return false;
    used = 0;
  }
  std::memcpy(out, pool + used, size);
  used += size;
  return true;
}

}  // namespace

bool ParseReply(std::string_view text, ReplyMap& reply) {
  if (text.empty() || text.find('$') == std::string_view::npos || text.find('=') == std::string_view::npos)
    return false;
  size_t start = 0;
  for (size_t hash = text.find('#'); hash != std::string_view::npos; hash = text.find('#', start)) {
    StoreItem(text.substr(start, hash - start), reply);
    start = hash + 1;
  }
  // The last item loses its terminator, whatever character that is.
  std::string_view last = text.substr(start);
  if (!last.empty()) last.remove_suffix(1);
  if (last.find('=') != std::string_view::npos) StoreItem(last, reply);
  return true;
}

bool CheckReply(bool requestOk, const std::string& reply, ReplyMap& parsed, std::string& message) {
  if (!requestOk) {
    message = "There was an error contacting the server.";
    return false;
  }
  if (reply.empty()) {
    message = "The server returned an empty page.";
    return false;
  }
  if (reply.starts_with("ERROR:")) {
    message = reply.substr(6);
    return false;
  }
  if (!ParseReply(reply, parsed)) {
    message = "An invalid page was returned from the server.";
    return false;
  }
  auto ok = parsed.find("OK");
  message = ok == parsed.end() ? "" : ok->second;
  return true;
}

std::string EncodeCommand(const std::string& command) {
  if (command.empty()) return "";
  std::string token = std::to_string(NowSeconds()) + "#" + command;
  ScrambleValue(token);
  return HexEncode(token);
}

bool RemoveSpaces(std::string& text) {
  if (text.empty()) return false;
  std::erase(text, ' ');
  return true;
}

std::string DecodeEntities(std::string text) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"& #34;", '"'}, {"&quot;", '"'}, {"& #39;", '\''}, {"&apos;", '\''}, {"& #38;", '&'},
      {"&amp;", '&'},  {"& #60;", '<'}, {"&lt;", '<'},    {"& #62;", '>'},  {"&gt;", '>'},
      {"&34;", '"'},   {"&39;", '\''},  {"&38;", '&'},    {"&60;", '<'},    {"&62;", '>'},
  };
  if (text.find('&') == std::string::npos) return text;
  for (const auto& [entity, character] : kEntities) {
    // Each replacement searches again from the start; no occurrence can begin
    // earlier than one entity length before the last replacement, so the scan
    // resumes there with the same result.
    size_t from = 0;
    for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, from)) {
      text.replace(at, entity.size(), 1, character);
      from = at >= entity.size() - 1 ? at - (entity.size() - 1) : 0;
    }
  }
  return text;
}

void ReplaceAll(std::string& text, std::string_view pattern, std::string_view replacement) {
  if (pattern.empty()) return;
  std::string out;
  size_t start = 0;
  for (size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, start)) {
    out.append(text, start, at - start).append(replacement);
    start = at + pattern.size();
  }
  if (start == 0) return;
  out.append(text, start, std::string::npos);
  text = std::move(out);
}

std::string NewGuidString() {
  uuid_t id;
  if (!TakePooledRandom(id, sizeof id)) uuid_generate_random(id);
  id[6] = static_cast<unsigned char>((id[6] & 0x0F) | 0x40);  // version 4: random
  id[8] = static_cast<unsigned char>((id[8] & 0x3F) | 0x80);  // RFC 4122 variant
  char text[37];
  uuid_unparse_lower(id, text);
  return text;
}

bool IsGuidString(std::string_view text) { return text.size() == 36; }

}  // namespace kestrix
