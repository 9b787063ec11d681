#pragma once

#include <string_view>

#include "chat/chat_rich_text.h"

class QTextCursor;

namespace kestrix::gui {

// Inserts rich text at the cursor, each run in its colour, a paragraph mark
// starting a new block with a plain block format.
void InsertRichText(QTextCursor& cursor, std::string_view rich);

}  // namespace kestrix::gui
