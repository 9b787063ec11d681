// Scrambled texts: deciphering any bytes, and scrambling then deciphering any
// text back to itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/scramble.h"
#include "store/string_protection.h"

using namespace kestrix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string text = input;
  DecipherString(text);

  std::string scrambled = input;
  ScrambleValue(scrambled);
  if (scrambled.find('\0') != std::string::npos) __builtin_trap();
  const int length = DecipherString(scrambled);
  if (length != static_cast<int>(input.size()) || scrambled.substr(0, input.size()) != input) __builtin_trap();
  return 0;
}
