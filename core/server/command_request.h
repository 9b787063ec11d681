#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "server/http_engine.h"
#include "protocol/reply_format.h"
#include "store/records.h"

namespace kestrix {

inline constexpr std::string_view kValueSeparator = "%23";

std::string JoinValues(std::initializer_list<std::string_view> values, std::string_view separator = kValueSeparator);

// page + encoded command + "&v=" + the values as joined.
std::string ComposeCommandObject(const std::string& page, const std::string& command, std::string_view values);

// Sends a composed command request to the stored "server" host and applies the
// common reply check; `message` is the check's message.
bool SendCommand(ServerLink& link, const std::string& object, ReplyMap& parsed, std::string& message);

ServerVariables StoredServerVariables();
// The stored server variable "server": the host of every command request.
std::string StoredServerHost();
PilotInfo StoredPilotInfo();
// A variable's value; a missing one reads as empty.
std::string Variable(const ServerVariables& variables, const std::string& name);

// Fetches a plain key=value page and turns it into one-record reply form.
// 0 on success, -1 for an empty reply, -2 when the server reported a missing page.
// The decimal number at the start of the text (after blanks and a sign),
// read up to the first non-digit; 0 when there is none. Clamped, never overflows.
long long LeadingDecimal(std::string_view text);

// A float as a default-formatted text stream writes it (6 significant digits).
std::string StreamText(double value);

int FetchSettingsPage(ServerLink& link, const std::string& host, const std::string& object, std::string& text);

}  // namespace kestrix
