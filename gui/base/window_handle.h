#pragma once

#include <QWidget>

#include "platform/message_box.h"

namespace kestrix::gui {

// The core names windows by opaque handles; on the desktop they are widgets.
inline WindowHandle HandleOf(QWidget* widget) { return widget; }
inline QWidget* WidgetOf(WindowHandle handle) { return static_cast<QWidget*>(handle); }

// Enables or disables one window only: Qt would take the windows it owns
// along, but those keep their own state.
inline void SetWindowEnabled(QWidget* window, bool enabled) {
  QList<QWidget*> ownedEnabled;
  for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child->isWindow() && child->isEnabled()) ownedEnabled.append(child);
  window->setEnabled(enabled);
  for (QWidget* child : ownedEnabled) child->setEnabled(true);
}

}  // namespace kestrix::gui
