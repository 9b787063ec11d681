#include "chat/chat_rich_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>

namespace kestrix {

void PrintTo(const RichTextRun& run, std::ostream* out) {
  *out << '"' << run.text << "\" ";
  if (run.colour) {
    *out << int(run.colour->red) << ',' << int(run.colour->green) << ',' << int(run.colour->blue);
  } else {
    *out << "default";
  }
  *out << (run.endsParagraph ? " \\par" : "");
}

namespace {

using Colour = std::optional<RichTextColour>;

// What the reader gives back for one chat line: the text with control
// characters as spaces, in the kind's colour, ending the paragraph.
std::vector<RichTextRun> OneLine(std::string text, const RichTextColour& colour) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return {{text, colour, true}};
}

TEST(ChatRichText, EachKindWritesItsColourAndReadsBack) {
  EXPECT_EQ(ChatLineRichText("hello", "received"),
            "{\\rtf1\\ansi{\\colortbl;\\red58\\green90\\blue94;}\\cf1hello\\par}");
  const std::pair<const char*, RichTextColour> kinds[] = {
      {"admin", RichTextColour{176, 84, 0}},      {"user", RichTextColour{4, 38, 176}},     {"received", RichTextColour{58, 90, 94}},
      {"private", RichTextColour{97, 95, 3}},     {"notify", RichTextColour{140, 140, 140}}, {"", RichTextColour{140, 140, 140}},
      {"other", RichTextColour{140, 140, 140}},
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
    EXPECT_EQ(ReadRichText(rich), OneLine(text, RichTextColour{176, 84, 0})) << rich.substr(0, 80);
  }
}

TEST(ChatRichText, RandomTextsReadBackExactly) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> length(0, 300), byte(0, 255), special(0, 5);
  const char specials[] = "\\{}'; ";
  for (int round = 0; round < 2000; ++round) {
    std::string text(length(random), '\0');
    for (char& c : text) c = static_cast<char>(special(random) == 0 ? specials[special(random)] : byte(random));
    ASSERT_EQ(ReadRichText(ChatLineRichText(text, "private")), OneLine(text, RichTextColour{97, 95, 3})) << round;
  }
}

TEST(ChatRichText, ReaderCopesWithAnyInput) {
  const RichTextColour table{1, 2, 3};
  const struct {
    std::string rich;
    std::vector<RichTextRun> runs;
  } cases[] = {
      {"", {}},
      {"{\\rtf1\\ansi{\\colortbl;\\red1", {}},
      {"}}}}plain{", {{"plain", Colour(), false}}},
      {"{\\colortbl;\\red1\\green2\\blue3;}\\cf1 a{\\cf0 b}c\\par",
       {{"a", table, false}, {"b", Colour(), false}, {"c", table, true}}},
      {"{\\*\\unknown hidden}{\\fonttbl{\\f0 Arial;}}shown", {{"shown", Colour(), false}}},
      {"\\'41\\'4a\\'zz\\'4", {{"AJzz", Colour(), false}}},
      {"\\cf99999999999999999999 x\\cf-99999999999 y", {{"xy", Colour(), false}}},
      {"{\\colortbl;\\red999\\green-4\\blue3;}\\cf1 z", {{"z", RichTextColour{255, 0, 3}, false}}},
      {"\\averyveryveryveryveryverylongcontrolwordthatgoeson1 w", {{"w", Colour(), false}}},
      {std::string(100000, '{') + "deep" + std::string(100000, '}') + "er", {{"deeper", Colour(), false}}},
  };
  for (const auto& [rich, runs] : cases) EXPECT_EQ(ReadRichText(rich), runs) << rich.substr(0, 80);

  std::mt19937 random(11);
  const std::string alphabet = "{}\\'*;- 0123456789abcdefparcolortblredgreenblue\x80\xff";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1), length(0, 400);
  for (int round = 0; round < 5000; ++round) {
    std::string rich(length(random), '\0');
    for (char& c : rich) c = alphabet[pick(random)];
    for (const RichTextRun& run : ReadRichText(rich))
      for (const char c : run.text) ASSERT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7f) << rich;
  }
}

}  // namespace
}  // namespace kestrix
