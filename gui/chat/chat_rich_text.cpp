#include "gui/chat/chat_rich_text.h"

#include <QColor>
#include <QTextCursor>

#include "gui/base/code_page_text.h"

namespace kestrix::gui {

void InsertRichText(QTextCursor& cursor, std::string_view rich) {
  const QTextCharFormat plain = cursor.charFormat();
  for (const RichTextRun& run : ReadRichText(rich)) {
    QTextCharFormat format = plain;
    if (run.colour) format.setForeground(QColor(run.colour->red, run.colour->green, run.colour->blue));
    if (!run.text.empty()) cursor.insertText(QtText(run.text), format);
    if (run.endsParagraph) cursor.insertBlock(QTextBlockFormat(), plain);
  }
}

}  // namespace kestrix::gui
