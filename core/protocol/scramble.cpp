#include "protocol/scramble.h"

#include <random>

namespace kestrix {
namespace {

// Each thread draws from its own generator, seeded from the system's entropy.
std::mt19937& Generator() {
  thread_local std::mt19937 generator{std::random_device{}()};
  return generator;
}

unsigned char RandomCharacter() { return static_cast<unsigned char>(33 + Generator()() % 218); }

size_t RandomPaddingLength() { return 5 + Generator()() % 16; }

std::string RandomCharacters(size_t count) {
  std::string out(count, '\0');
  for (auto& c : out) c = static_cast<char>(RandomCharacter());
  return out;
}

// A key byte equal to its plain byte would scramble to zero. Only the clashing
// byte is drawn again: redrawing the whole key would almost never end for a
// text of some thousand bytes.
std::string KeyFor(const std::string& text) {
  std::string key = RandomCharacters(text.size());
  for (size_t i = 0; i < key.size(); ++i) {
    while (key[i] == text[i]) key[i] = static_cast<char>(RandomCharacter());
  }
  return key;
}

}  // namespace

void SeedScrambling(uint32_t seed) { Generator().seed(seed); }

void ScrambleValue(std::string& text) {
  const std::string key = KeyFor(text);
  const size_t a = RandomPaddingLength();
  const size_t b = RandomPaddingLength();
  std::string leading = RandomCharacters(a);
  std::string trailing = RandomCharacters(b);
  // The mask must differ from every padding byte so no masked byte is zero. It
  // need not avoid the key: a long key holds every drawable value, and a mask
  // that had to miss them all would never be found.
  char mask;
  do {
    mask = static_cast<char>(RandomCharacter());
  } while (leading.find(mask) != std::string::npos || trailing.find(mask) != std::string::npos);
  for (auto& c : leading) c ^= mask;
  for (auto& c : trailing) c ^= mask;

  std::string out;
  out.reserve(2 + a + 2 * text.size() + b);
  out += static_cast<char>(a);
  out += static_cast<char>(b);
  out += leading;
  for (size_t i = 0; i < text.size(); ++i) {
    out += static_cast<char>(key[i] ^ text[i]);
    out += key[i];
  }
  out += trailing;
  text = std::move(out);
}

std::string HexEncode(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0F];
  }
  return out;
}

}  // namespace kestrix
