#pragma once

#include <cstddef>
#include <string>

namespace kestrix {

// Restores a scrambled constant in place. Returns the plain length, 0 for an
// empty text, or -1 (after telling the pilot) when the text is too short for
// what its header claims.
int DecipherString(std::string& text);

// Copies a generated scrambled constant and deciphers it.
template <size_t N>
std::string Reveal(const unsigned char (&scrambled)[N]) {
  std::string text(reinterpret_cast<const char*>(scrambled), N - 1);
  DecipherString(text);
  return text;
}

}  // namespace kestrix
