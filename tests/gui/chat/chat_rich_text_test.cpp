#include "gui/chat/chat_rich_text.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace kestrix::gui {
namespace {

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
