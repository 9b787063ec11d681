#include "gui/platform/web_host.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "gui/base/code_page_text.h"
#include "gui/base/window_handle.h"

namespace kestrix::gui {
namespace {

constexpr QSize kWindowSize(297, 460);

// Chromium refuses to start its sandbox for root. Read when the first browser
// starts, so set early, while only one thread runs.
void RunBrowserWithoutSandboxAsRoot() {
  if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

QPoint CentredOnPrimaryScreen(QSize size) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  return screen.topLeft() + QPoint((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2);
}

}  // namespace

void PrepareEmbeddedBrowser() {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  RunBrowserWithoutSandboxAsRoot();
}

WebHostWindow::WebHostWindow(QWidget* owner, const QUrl& address)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      view(new QWebEngineView(this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  // The window has no caption; Qt would put the program's name in an empty
  // one, but keeps a title of one zero-width space, which shows as nothing.
  setWindowTitle(QString(QChar(0x200B)));
  setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
  resize(kWindowSize);
  move(CentredOnPrimaryScreen(kWindowSize));
  // Off the record: the page leaves no cookies, cache or storage behind.
  view->setPage(new QWebEnginePage(new QWebEngineProfile(this), view));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view);
  view->load(address);
}

// The page has to go before the profile it was made with.
WebHostWindow::~WebHostWindow() { delete view; }

DesktopWebHost::DesktopWebHost() { RunBrowserWithoutSandboxAsRoot(); }

int DesktopWebHost::ShowPage(WindowHandle owner, const std::string& firstPart, const std::string& secondPart) {
  QPointer<WebHostWindow> window = new WebHostWindow(WidgetOf(owner), PageAddress(firstPart + secondPart));
  QEventLoop loop;
  QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
  window->show();
  loop.exec();
  delete window;  // still there only when the program quit meanwhile
  return 0;
}

void DesktopWebHost::EnableWindow(WindowHandle window, bool enabled) {
  if (QWidget* widget = WidgetOf(window)) SetWindowEnabled(widget, enabled);
}

void DesktopWebHost::BringToTop(WindowHandle window) {
  if (QWidget* widget = WidgetOf(window)) {
    widget->raise();
    widget->activateWindow();
  }
}

QUrl PageAddress(const std::string& address) {
  const QString text = QtText(address);
  return QUrl(text.contains("://") ? text : "http://" + text);
}

}  // namespace kestrix::gui
