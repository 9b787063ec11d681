#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace kestrix::gui {

// The core keeps text as 8-bit strings in the program's code page (Latin-1);
// widgets hold Unicode. Characters beyond Latin-1 become "?" on the way back.
inline QString QtText(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string CodePageText(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace kestrix::gui
