#include "gui/app/splash_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTest>

#include <memory>

#include "gui/app/startup_windows.h"
#include "support/fake_clock.h"

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

class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// On a real desktop the window is mapped after it is shown: a pause that
// blocked the event loop left the splash unpainted for its whole second.
TEST(SplashScreen, PaintsWhileStartUpPausesOnIt) {
  auto clock = std::make_shared<test::FakeClock>();
  InstallClock(clock);
  StartupWindows windows;
  windows.ShowSplash();
  QPointer<SplashScreen> splash = OpenSplash();
  ASSERT_TRUE(splash);
  PaintCounter counter;
  splash->installEventFilter(&counter);
  splash->update();
  const uint64_t before = clock->MonotonicMs();
  windows.PauseOnSplash(1000);
  EXPECT_GT(counter.paints, 0);
  EXPECT_EQ(clock->MonotonicMs() - before, 1000u);
  InstallClock(nullptr);
  delete splash;
}

}  // namespace
}  // namespace kestrix::gui
