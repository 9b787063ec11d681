#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "server/http_engine.h"
#include "server/reply_format.h"

namespace kestrix {

inline constexpr std::string_view kValueSeparator = "%23";

// page + encoded command + "&v=" + the values joined by `separator`.
std::string ComposeCommandObject(const std::string& page, const std::string& command,
                                 std::initializer_list<std::string_view> values,
                                 std::string_view separator = kValueSeparator);

// Sends a composed command request to the stored "server" host and applies the
// common reply check; `message` is the check's message.
bool SendCommand(ServerLink& link, const std::string& object, ReplyMap& parsed, std::string& message);

// The stored server variable "server": the host of every command request.
std::string StoredServerHost();

// Fetches a plain key=value page and turns it into one-record reply form.
// 0 on success, -1 for an empty reply, -2 when the server reported a missing page.
int FetchSettingsPage(ServerLink& link, const std::string& host, const std::string& object, std::string& text);

}  // namespace kestrix
