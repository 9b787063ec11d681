#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <string>

#include "app/data_folder.h"
#include "app/startup.h"
#include "gui/platform/desktop_services.h"
#include "gui/base/desktop_style.h"
#include "gui/app/startup_windows.h"
#include "gui/platform/web_host.h"

namespace {

// With KESTRIX_TIMING set, the program prints when its main dialog first
// showed (steady-clock nanoseconds) and how long the splash pause took, then
// closes the dialog: the start-up benchmark reads these lines.
class StartTiming : public QObject {
 public:
  explicit StartTiming(const kestrix::gui::StartupWindows& windows) : windows(windows) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->inherits("kestrix::gui::MainDialog")) {
      std::printf("kestrix.main_dialog_shown_ns: %lld\nkestrix.splash_pause_ns: %lld\n",
                  static_cast<long long>(kestrix::gui::SteadyNs()),
                  static_cast<long long>(windows.SplashPauseNs()));
      std::fflush(stdout);
      QTimer::singleShot(0, static_cast<QWidget*>(watched), &QWidget::close);
    }
    return false;
  }

 private:
  const kestrix::gui::StartupWindows& windows;
};

}  // namespace

int main(int argc, char** argv) {
  kestrix::gui::PrepareEmbeddedBrowser();
  QApplication application(argc, argv);
  QApplication::setApplicationName("Kestrix");
  QApplication::setQuitOnLastWindowClosed(false);
  kestrix::gui::ApplyDesktopStyle(application);
  kestrix::gui::InstallDesktopServices();
  kestrix::ApplyEnvironmentOverrides();
  std::string error;
  if (!kestrix::EnterDataFolder(error)) {
    QMessageBox::critical(nullptr, kestrix::kProgramCaption, QString::fromStdString(error));
    return 1;
  }
  kestrix::gui::StartupWindows windows;
  StartTiming timing(windows);
  if (!qEnvironmentVariableIsEmpty("KESTRIX_TIMING")) application.installEventFilter(&timing);
  return kestrix::RunStartup(windows);
}
