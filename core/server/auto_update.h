#pragma once

#include <string>
#include <string_view>

#include "server/http_engine.h"
#include "protocol/reply_format.h"

namespace kestrix {

inline constexpr const char* kUpdaterFileName = "KestrixV2UpdateStub.exe";

// 2 the updater was started (the caller ends the program), 1 the pilot
// declined, 0 up to date, -1 the check or the update failed.
int CheckForUpdate(ServerLink& link, const ReplyMap& versionInfo);

// a.b.c as a * 1000000 + b * 10000 + c; each part's digits up to its first non-digit.
unsigned VersionNumber(std::string_view text);

// The program's own file version, e.g. "2.0.3999".
std::string ProgramFileVersion();

// MD5 of the bytes as 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace kestrix
