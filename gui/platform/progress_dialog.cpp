#include "gui/platform/progress_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QThread>

#include <algorithm>

#include "gui/base/code_page_text.h"
#include "gui/base/desktop_style.h"
#include "gui/base/window_handle.h"

namespace kestrix::gui {
namespace {

constexpr int kBarEnd = 100;
constexpr int kFirstStepSize = 10;  // a new bar's step
const QColor kBarColour(0, 125, 0);

// Widgets exist only on the GUI thread of a widget application.
bool CanCreateWindows() {
  const auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
  return application && QThread::currentThread() == application->thread();
}

}  // namespace

WaitDialog::WaitDialog(QWidget* owner)
    : DialogBase(owner, {QSize(191, 60), false, false, TemplateFont()}),
      text(AddLabel(1001, "", 7, 9, 177, 18)),
      bar(new QProgressBar(this)) {
  text->setAlignment(Qt::AlignCenter);
  text->setWordWrap(true);
  bar->setObjectName("1002");
  bar->setRange(0, kBarEnd);
  bar->setValue(0);
  bar->setTextVisible(false);
  QPalette palette = bar->palette();
  palette.setColor(QPalette::Base, kLightColour);
  palette.setColor(QPalette::Window, kLightColour);
  palette.setColor(QPalette::Highlight, kBarColour);
  bar->setPalette(palette);
  Place(bar, 7, 33, 177, 11);
}

void WaitDialog::SetText(const QString& newText) {
  text->setText(newText);
  repaint();
}

void WaitDialog::Advance(int amount) {
  bar->setValue(std::min(bar->value() + amount, kBarEnd));
  repaint();
}

void WaitDialog::reject() { close(); }

void WaitDialog::closeEvent(QCloseEvent* event) {
  event->accept();
  deleteLater();
}

DesktopProgressDialog::~DesktopProgressDialog() { Close(); }

void DesktopProgressDialog::Open(WindowHandle owner) {
  Close();
  if (!CanCreateWindows()) {
    ShowMessageBox(owner, "Error creating progressDialog.", kProgramCaption, MessageKind::Warning);
    return;
  }
  window = new WaitDialog(WidgetOf(owner));
  stepSize = kFirstStepSize;
  window->ShowAndPaint();
}

void DesktopProgressDialog::SetSteps(int steps) {
  // A step count below one has no step size; the bar keeps the one it has.
  if (window && steps > 0) stepSize = kBarEnd / steps;
}

void DesktopProgressDialog::Step() {
  if (window) window->Advance(stepSize);
}

void DesktopProgressDialog::SetText(const std::string& text) {
  if (window) window->SetText(QtText(text));
}

void DesktopProgressDialog::Close() { delete window; }

std::unique_ptr<ProgressDialog> CreateDesktopProgressDialog() { return std::make_unique<DesktopProgressDialog>(); }

}  // namespace kestrix::gui
