#pragma once

#include "gui/base/dialog_base.h"

class QWidget;

namespace kestrix::gui {

// The program's picture, its description, legal notice and file version.
class AboutDialog : public DialogBase {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* owner);
};

// The about box with the program's version texts, modal towards `owner`.
void RunAboutBox(QWidget* owner);

}  // namespace kestrix::gui
