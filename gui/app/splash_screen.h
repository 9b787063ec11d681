#pragma once

#include "gui/base/dialog_base.h"

namespace kestrix::gui {

// The program's picture alone in a borderless window while the program starts.
// It closes and deletes itself three seconds after it is created.
class SplashScreen : public DialogBase {
  Q_OBJECT
 public:
  SplashScreen();
};

// Shows the splash screen without a parent; it closes and deletes itself
// after three seconds.
SplashScreen* ShowSplash();

}  // namespace kestrix::gui
