#pragma once

#include <QUrl>
#include <QWidget>

#include <string>

#include "platform/web_host.h"

class QWebEngineView;

namespace kestrix::gui {

// Call before the QApplication exists: the embedded browser needs shared
// OpenGL contexts, and as root it can only run without Chromium's sandbox.
void PrepareEmbeddedBrowser();

// The window a page of the airline's site is shown in: a title bar with the
// system menu, 297 x 460 pixels, centred on the primary screen, the browser
// filling it. It deletes itself when closed.
class WebHostWindow : public QWidget {
  Q_OBJECT
 public:
  WebHostWindow(QWidget* owner, const QUrl& address);
  ~WebHostWindow() override;

  QWebEngineView* View() const { return view; }

 private:
  QWebEngineView* view;
};

// The core's web host on the desktop.
class DesktopWebHost : public WebHost {
 public:
  DesktopWebHost();
  // Runs the window in an event loop of its own until the pilot closes it;
  // the owner stays as the caller left it. Always 0.
  int ShowPage(WindowHandle owner, const std::string& firstPart, const std::string& secondPart) override;
  void EnableWindow(WindowHandle window, bool enabled) override;
  void BringToTop(WindowHandle window) override;
};

// The airline's addresses come without a scheme; its site speaks plain HTTP.
QUrl PageAddress(const std::string& address);

}  // namespace kestrix::gui
