#include <gtest/gtest.h>

#include <QApplication>

#include "gui/base/desktop_style.h"

// Widget tests share one application; without a display they draw offscreen.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  kestrix::gui::ApplyDesktopStyle(application);
  return RUN_ALL_TESTS();
}
