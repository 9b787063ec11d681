#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrix {

// Scrambles `text` in place into the layout that DecipherString restores:
// lengths a and b, a padding bytes, a (plain XOR key, key) pair per byte, b
// padding bytes. No output byte is zero, so the result is a valid C string.
void ScrambleValue(std::string& text);

// Makes this thread's scrambling repeatable from `seed` on. The build-time
// generator seeds it from its list, so the same list gives the same header
// and a rebuild elsewhere compiles from the compiler cache.
void SeedScrambling(uint32_t seed);

// Two upper-case hexadecimal digits per byte, high half first.
std::string HexEncode(std::string_view bytes);

}  // namespace kestrix
