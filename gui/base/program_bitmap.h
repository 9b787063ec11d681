#pragma once

#include <QPixmap>
#include <QSize>

namespace kestrix::gui {

// The program's picture (bitmap 110) of the about box and the splash screen,
// drawn at the size asked for.
QPixmap ProgramBitmap(QSize size);

}  // namespace kestrix::gui
