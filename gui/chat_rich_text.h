#pragma once

#include <QColor>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

class QTextCursor;

namespace kestrix::gui {

// 8-bit text made safe for rich text: backslashes, braces and every byte
// outside printable ASCII become escapes, so no text can add control words,
// groups or markup. A leading digit or space is escaped too, because the text
// follows a control word directly and would otherwise run into it.
std::string EscapeRichText(std::string_view text);

// One line of the conversation as rich text: the line's colour as the only
// colour-table entry, then the escaped text and a paragraph mark.
std::string ChatLineRichText(std::string_view text, std::string_view kind);

// A stretch of text in one colour; an invalid colour means the reader's default.
struct RichTextRun {
  QString text;
  QColor colour;
  bool endsParagraph = false;
  bool operator==(const RichTextRun&) const = default;
};

// Reads the rich text the chat writes: groups, the colour table, "\cf",
// "\par", escaped symbols and "\'hh" bytes; other control words and
// destinations are skipped. Any input is read to its end without failing;
// control characters in the text read as spaces.
std::vector<RichTextRun> ReadRichText(std::string_view rich);

// Inserts rich text at the cursor, each run in its colour, a paragraph mark
// starting a new block with a plain block format.
void InsertRichText(QTextCursor& cursor, std::string_view rich);

}  // namespace kestrix::gui
