#include "airline/command_token.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "store/string_protection.h"

namespace kestrix::airline {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> HexDecode(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes(hex.size() / 2, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexDigit(hex[2 * i]);
    const int low = HexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<char>(high << 4 | low);
  }
  return bytes;
}

std::optional<std::string> Unscramble(std::string scrambled) {
  // The program's decipherer tells the pilot about a bad header; here a bad
  // header is just a bad request, so it is checked before.
  if (scrambled.size() < 2) return std::nullopt;
  const size_t leading = static_cast<unsigned char>(scrambled[0]);
  const size_t trailing = static_cast<unsigned char>(scrambled[1]);
  if (leading > 127 || trailing > 127) return std::nullopt;
  if (2 + leading + trailing > scrambled.size() || (scrambled.size() - 2 - leading - trailing) % 2 != 0)
    return std::nullopt;
  DecipherString(scrambled);
  return scrambled;
}

std::optional<DecodedCommand> DecodeCommandToken(std::string_view token) {
  auto bytes = HexDecode(token);
  if (!bytes) return std::nullopt;
  auto plain = Unscramble(std::move(*bytes));
  if (!plain) return std::nullopt;
  const auto hash = plain->find('#');
  if (hash == std::string::npos || hash == 0 || hash + 1 == plain->size()) return std::nullopt;
  DecodedCommand decoded;
  const char* begin = plain->data();
  const auto [end, error] = std::from_chars(begin, begin + hash, decoded.sentAt);
  if (error != std::errc{} || end != begin + hash) return std::nullopt;
  decoded.command = plain->substr(hash + 1);
  return decoded;
}

}  // namespace kestrix::airline
