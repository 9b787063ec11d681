#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrix::airline {

// Hexadecimal text (either case) back to bytes; nothing for odd lengths or non-digits.
std::optional<std::string> HexDecode(std::string_view hex);

// Reverses ScrambleValue; nothing when the lengths in its header do not fit.
std::optional<std::string> Unscramble(std::string scrambled);

struct DecodedCommand {
  int64_t sentAt = 0;  // the client's clock, seconds since 1970
  std::string command;
};

// A command token: hex, scrambled "SECONDS#COMMAND". Nothing for anything else.
std::optional<DecodedCommand> DecodeCommandToken(std::string_view token);

}  // namespace kestrix::airline
