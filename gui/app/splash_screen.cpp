#include "gui/app/splash_screen.h"

#include <QLabel>
#include <QTimer>

#include "gui/base/desktop_style.h"
#include "gui/base/program_bitmap.h"

namespace kestrix::gui {
namespace {

constexpr int kShownMs = 3000;

}  // namespace

SplashScreen::SplashScreen() : DialogBase(nullptr, {QSize(260, 104), false, false, ShellDialogFont()}) {
  setAttribute(Qt::WA_DeleteOnClose);
  QLabel* picture = AddLabel(kNoId, "", 0, 0, 260, 104);
  picture->setPixmap(ProgramBitmap(picture->size()));
  auto* timer = new QTimer(this);
  timer->setSingleShot(true);
  connect(timer, &QTimer::timeout, this, &QWidget::close);
  timer->start(kShownMs);
}

SplashScreen* ShowSplash() {
  auto* splash = new SplashScreen;
  splash->ShowAndPaint();
  return splash;
}

}  // namespace kestrix::gui
