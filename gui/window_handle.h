#pragma once

#include <QWidget>

#include "platform/message_box.h"

namespace kestrix::gui {

// The core names windows by opaque handles; on the desktop they are widgets.
inline WindowHandle HandleOf(QWidget* widget) { return widget; }
inline QWidget* WidgetOf(WindowHandle handle) { return static_cast<QWidget*>(handle); }

}  // namespace kestrix::gui
