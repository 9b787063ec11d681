#include "gui/chat_rich_text.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <ostream>
#include <random>
#include <string>

#include "gui/code_page_text.h"

namespace kestrix::gui {

void PrintTo(const RichTextRun& run, std::ostream* out) {
  *out << '"' << run.text.toStdString() << "\" " << run.colour.name().toStdString()
       << (run.endsParagraph ? " \\par" : "");
}

namespace {

// What the reader gives back for one chat line: the text with control
// characters as spaces, in the kind's colour, ending the paragraph.
std::vector<RichTextRun> OneLine(const std::string& text, const QColor& colour) {
  QString shown = QtText(text);
  for (QChar& c : shown)
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) c = u' ';
  return {{shown, colour, true}};
}

TEST(ChatRichText, EachKindWritesItsColourAndReadsBack) {
  EXPECT_EQ(ChatLineRichText("hello", "received"),
            "{\\rtf1\\ansi{\\colortbl;\\red58\\green90\\blue94;}\\cf1hello\\par}");
  const std::pair<const char*, QColor> kinds[] = {
      {"admin", QColor(176, 84, 0)},      {"user", QColor(4, 38, 176)},     {"received", QColor(58, 90, 94)},
      {"private", QColor(97, 95, 3)},     {"notify", QColor(140, 140, 140)}, {"", QColor(140, 140, 140)},
      {"other", QColor(140, 140, 140)},
  };
  for (const auto& [kind, colour] : kinds)
    EXPECT_EQ(ReadRichText(ChatLineRichText("HV7 John: hi", kind)), OneLine("HV7 John: hi", colour)) << kind;
}

TEST(ChatRichText, HostileTextsStayLiteralText) {
  const std::string hostile[] = {
      "\\par }{\\rtf1 injected",
      "}",
      "{",
      "\\",
      "ends with \\",
      "\\cf0 default colour",
      "\\'41 not an A",
      "{\\field{\\*\\fldinst HYPERLINK \"http://example.com\"}{\\fldrslt click}}",
      "<b>bold</b> <a href=\"http://example.com\">link</a> &amp;",
      "caf\xe9 \xff\x80\xa0",
      "42 pilots online",
      " leading space",
      "line\r\nbreak\tand\x01 control",
      std::string(10000, '\\') + std::string(10000, '{'),
  };
  for (const std::string& text : hostile) {
    const std::string rich = ChatLineRichText(text, "admin");
    EXPECT_EQ(ReadRichText(rich), OneLine(text, QColor(176, 84, 0))) << rich.substr(0, 80);
  }
}

TEST(ChatRichText, RandomTextsReadBackExactly) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> length(0, 300), byte(0, 255), special(0, 5);
  const char specials[] = "\\{}'; ";
  for (int round = 0; round < 2000; ++round) {
    std::string text(length(random), '\0');
    for (char& c : text) c = static_cast<char>(special(random) == 0 ? specials[special(random)] : byte(random));
    ASSERT_EQ(ReadRichText(ChatLineRichText(text, "private")), OneLine(text, QColor(97, 95, 3))) << round;
  }
}

TEST(ChatRichText, ReaderCopesWithAnyInput) {
  const QColor table(1, 2, 3);
  const struct {
    std::string rich;
    std::vector<RichTextRun> runs;
  } cases[] = {
      {"", {}},
      {"{\\rtf1\\ansi{\\colortbl;\\red1", {}},
      {"}}}}plain{", {{"plain", QColor(), false}}},
      {"{\\colortbl;\\red1\\green2\\blue3;}\\cf1 a{\\cf0 b}c\\par",
       {{"a", table, false}, {"b", QColor(), false}, {"c", table, true}}},
      {"{\\*\\unknown hidden}{\\fonttbl{\\f0 Arial;}}shown", {{"shown", QColor(), false}}},
      {"\\'41\\'4a\\'zz\\'4", {{"AJzz", QColor(), false}}},
      {"\\cf99999999999999999999 x\\cf-99999999999 y", {{"xy", QColor(), false}}},
      {"{\\colortbl;\\red999\\green-4\\blue3;}\\cf1 z", {{"z", QColor(255, 0, 3), false}}},
      {"\\averyveryveryveryveryverylongcontrolwordthatgoeson1 w", {{"w", QColor(), false}}},
      {std::string(100000, '{') + "deep" + std::string(100000, '}') + "er", {{"deeper", QColor(), false}}},
  };
  for (const auto& [rich, runs] : cases) EXPECT_EQ(ReadRichText(rich), runs) << rich.substr(0, 80);

  std::mt19937 random(11);
  const std::string alphabet = "{}\\'*;- 0123456789abcdefparcolortblredgreenblue\x80\xff";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1), length(0, 400);
  for (int round = 0; round < 5000; ++round) {
    std::string rich(length(random), '\0');
    for (char& c : rich) c = alphabet[pick(random)];
    for (const RichTextRun& run : ReadRichText(rich))
      for (const QChar c : run.text) ASSERT_GE(c.unicode(), 0x20) << rich;
  }
}

TEST(ChatRichText, InsertionColoursEachLineInItsOwnBlock) {
  QTextDocument document;
  QTextCursor cursor(&document);
  InsertRichText(cursor, ChatLineRichText("first", "admin"));
  InsertRichText(cursor, ChatLineRichText("<i>second</i>", "user"));
  EXPECT_EQ(document.toPlainText(), "first\n<i>second</i>\n");
  EXPECT_EQ(document.blockCount(), 3);
  const auto colourOf = [&](int block) {
    return document.findBlockByNumber(block).begin().fragment().charFormat().foreground().color();
  };
  EXPECT_EQ(colourOf(0), QColor(176, 84, 0));
  EXPECT_EQ(colourOf(1), QColor(4, 38, 176));
}

}  // namespace
}  // namespace kestrix::gui
