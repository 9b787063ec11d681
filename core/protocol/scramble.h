#pragma once

#include <string>
#include <string_view>

namespace kestrix {

// Scrambles `text` in place into the layout that DecipherString restores:
// lengths a and b, a padding bytes, a (plain XOR key, key) pair per byte, b
// padding bytes. No output byte is zero, so the result is a valid C string.
void ScrambleValue(std::string& text);

// Two upper-case hexadecimal digits per byte, high half first.
std::string HexEncode(std::string_view bytes);

}  // namespace kestrix
