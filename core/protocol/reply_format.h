#pragma once

#include <map>
#include <string>
#include <string_view>

namespace kestrix {

// A parsed one-record reply: key to value, later keys overwriting earlier ones.
using ReplyMap = std::map<std::string, std::string>;

// Parses "key=value#key=value$" into `reply`; false (map untouched) when the
// text is empty or has no "$" or no "=".
bool ParseReply(std::string_view text, ReplyMap& reply);

// The check every single-record command makes: request failure, empty page,
// "ERROR:" answer, unparsable page. On success `message` is the "OK" value.
bool CheckReply(bool requestOk, const std::string& reply, ReplyMap& parsed, std::string& message);

// The time-stamped, scrambled, hex-encoded command token; empty for an empty command.
std::string EncodeCommand(const std::string& command);

// Deletes every space in place; false when the text is empty.
bool RemoveSpaces(std::string& text);

std::string DecodeEntities(std::string text);

// Replaces every occurrence left to right without re-scanning replaced text.
void ReplaceAll(std::string& text, std::string_view pattern, std::string_view replacement);

// A new random GUID: 36 lower-case hexadecimal digits and hyphens, no braces.
std::string NewGuidString();

// The program's only test of a GUID is its length.
bool IsGuidString(std::string_view text);

}  // namespace kestrix
