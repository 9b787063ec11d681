#include "gui/app/splash_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>

namespace kestrix::gui {
namespace {

SplashScreen* OpenSplash() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* splash = qobject_cast<SplashScreen*>(widget)) return splash;
  return nullptr;
}

TEST(SplashScreen, ShowsWithoutParentOrFrameAndDeletesItselfAfterThreeSeconds) {
  ShowSplash();
  QPointer<SplashScreen> splash = OpenSplash();
  ASSERT_TRUE(splash);
  EXPECT_TRUE(splash->isVisible());
  EXPECT_FALSE(splash->isModal());
  EXPECT_EQ(splash->parentWidget(), nullptr);
  EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(splash->font().family(), "MS Shell Dlg");
  QTest::qWait(2700);
  EXPECT_TRUE(splash);
  QTRY_VERIFY_WITH_TIMEOUT(!splash, 1500);
}

}  // namespace
}  // namespace kestrix::gui
