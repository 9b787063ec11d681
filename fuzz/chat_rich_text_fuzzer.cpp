// The chat pane's rich text: the reader takes any input, and any chat line
// written as rich text reads back as exactly its own text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "chat/chat_rich_text.h"

using namespace kestrix;

namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t shown = 0;
  for (const RichTextRun& run : ReadRichText(input)) {
    for (const char c : run.text)
      if (IsControl(c)) __builtin_trap();
    shown += run.text.size();
  }
  if (shown > size) __builtin_trap();

  const std::vector<RichTextRun> line = ReadRichText(ChatLineRichText(input, "admin"));
  std::string expected(input);
  for (char& c : expected)
    if (IsControl(c)) c = ' ';
  const RichTextRun only{expected, RichTextColour{176, 84, 0}, true};
  if (line.size() != 1 || !(line.front() == only)) __builtin_trap();
  return 0;
}
