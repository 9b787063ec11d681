#include "store/string_protection.h"

#include <algorithm>

#include "platform/message_box.h"

namespace kestrix {
namespace {

int Fail() {
  ShowMessageBox(nullptr, "Error decrypting the string data", kProgramCaption, MessageKind::Plain);
  return -1;
}

}  // namespace

int DecipherString(std::string& text) {
  if (text.empty()) return 0;
  if (text.size() < 2) return Fail();
  const int leading = static_cast<signed char>(text[0]) + 2;
  const int trailing = static_cast<signed char>(text[1]);
  const size_t start = leading < 0 ? text.size() + 1 : std::min<size_t>(leading, text.size());
  if (start > text.size() || trailing < 0 || static_cast<size_t>(trailing) > text.size() - start) {
    return Fail();
  }
  const size_t pairs = (text.size() - start - trailing) / 2;
  std::string plain(pairs, '\0');
  for (size_t i = 0; i < pairs; ++i) plain[i] = static_cast<char>(text[start + 2 * i] ^ text[start + 2 * i + 1]);
  text = std::move(plain);
  return static_cast<int>(pairs);
}

}  // namespace kestrix
