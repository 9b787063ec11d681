#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix {

// 8-bit text made safe for rich text: backslashes, braces and every byte
// outside printable ASCII become escapes, so no text can add control words,
// groups or markup. A leading digit or space is escaped too, because the text
// follows a control word directly and would otherwise run into it.
std::string EscapeRichText(std::string_view text);

// One line of the conversation as rich text: the line's colour as the only
// colour-table entry, then the escaped text and a paragraph mark.
std::string ChatLineRichText(std::string_view text, std::string_view kind);

struct RichTextColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const RichTextColour&) const = default;
};

// A stretch of 8-bit text in one colour; no colour means the reader's default.
struct RichTextRun {
  std::string text;
  std::optional<RichTextColour> colour;
  bool endsParagraph = false;
  bool operator==(const RichTextRun&) const = default;
};

// Reads the rich text the chat writes: groups, the colour table, "\cf",
// "\par", escaped symbols and "\'hh" bytes; other control words and
// destinations are skipped. Any input is read to its end without failing;
// control characters in the text read as spaces.
std::vector<RichTextRun> ReadRichText(std::string_view rich);

}  // namespace kestrix
