#include "store/string_protection.h"

#include <gtest/gtest.h>

#include <random>

#include "protocol/scramble.h"
#include "scrambled/store_strings.h"
#include "support/scripted_message_box.h"

namespace kestrix {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

TEST(DecipherString, KnownLayouts) {
  struct Case {
    std::string scrambled;
    int length;
    std::string plain;
  } cases[] = {
      {"", 0, ""},
      {Bytes({1, 1, 90, 105, 33, 65, 40, 88}), 2, "Hi"},
      // Seven middle bytes: three pairs, the seventh byte is dropped.
      {Bytes({5, 5, 1, 1, 1, 1, 1, 'a' ^ 7, 7, 'b' ^ 9, 9, 'c' ^ 3, 3, 99, 1, 1, 1, 1, 1}), 3, "abc"},
      // Nothing between the paddings.
      {Bytes({0, 0}), 0, ""},
  };
  test::ScriptedMessageBox boxes;
  for (auto& c : cases) {
    std::string text = c.scrambled;
    EXPECT_EQ(DecipherString(text), c.length);
    EXPECT_EQ(text, c.plain);
  }
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(DecipherString, TooShortForItsHeaderFailsWithMessage) {
  const std::string damaged[] = {Bytes({5, 20, 1, 2, 3, 4, 5, 6, 7}), Bytes({1}), Bytes({-3, 1, 2, 3}),
                                 Bytes({0, -1, 2, 3})};
  for (const auto& bad : damaged) {
    test::ScriptedMessageBox boxes;
    std::string text = bad;
    EXPECT_EQ(DecipherString(text), -1);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Error decrypting the string data");
    EXPECT_EQ(boxes.Shown()[0].caption, "Kestrix v2");
    EXPECT_EQ(boxes.Shown()[0].flags, 0u);
  }
}

TEST(ScrambleValue, RoundTripsAnyBytesWithoutZeroAndWithPaddingInRange) {
  std::mt19937 random(7);
  for (size_t length : {0, 1, 2, 17, 255, 5000}) {
    std::string plain(length, '\0');
    for (auto& c : plain) c = static_cast<char>(1 + random() % 255);
    std::string text = plain;
    ScrambleValue(text);
    const int a = text[0], b = text[1];
    EXPECT_TRUE(a >= 5 && a <= 20 && b >= 5 && b <= 20);
    EXPECT_EQ(text.size(), 2 + a + b + 2 * length);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(DecipherString(text), static_cast<int>(length));
    EXPECT_EQ(text, plain);
  }
}

TEST(HexEncode, UpperCaseHighHalfFirst) {
  EXPECT_EQ(HexEncode(""), "");
  EXPECT_EQ(HexEncode(Bytes({0, 0x0F, 0xA5, 0xFF})), "000FA5FF");
}

TEST(GeneratedConstants, HoldOnlyScrambledBytesAndRevealThePlainText) {
  const std::string raw(reinterpret_cast<const char*>(scrambled::SqlKey));
  EXPECT_EQ(raw.find("PRAGMA"), std::string::npos);
  EXPECT_EQ(Reveal(scrambled::SqlKey), "PRAGMA key = \"x'%s'\";");
}

}  // namespace
}  // namespace kestrix
