#include <QApplication>
#include <QMessageBox>

#include <string>

#include "app/data_folder.h"
#include "app/startup.h"
#include "gui/desktop_services.h"
#include "gui/desktop_style.h"
#include "gui/main_dialog.h"
#include "gui/splash_screen.h"

namespace {

class DesktopStartupWindows : public kestrix::StartupWindows {
 public:
  void ShowSplash() override {
    kestrix::gui::ShowSplash();
    // Paint it now: start-up pauses before the main dialog opens.
    QApplication::processEvents();
  }
  void RunMainDialog() override { kestrix::gui::RunMainDialog(); }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);  // the embedded browser needs it
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
  DesktopStartupWindows windows;
  return kestrix::RunStartup(windows);
}
