#include "gui/platform/message_box_presenter.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>

#include "gui/base/code_page_text.h"
#include "gui/base/window_handle.h"

namespace kestrix::gui {
namespace {

// How each kind looks and answers, as the system's boxes do: the first
// button is the default, and `escape` is what Escape and closing the box
// give; a box without one has to be answered with a button.
struct KindLayout {
  unsigned kind;
  QMessageBox::StandardButtons buttons;
  QMessageBox::Icon icon;
  QMessageBox::StandardButton defaultButton;
  QMessageBox::StandardButton escape;
};

constexpr QMessageBox::StandardButtons kYesNo = QMessageBox::Yes | QMessageBox::No;
constexpr KindLayout kLayouts[] = {
    {MessageKind::Plain, QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok},
    {MessageKind::Error, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok},
    {MessageKind::Warning, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok},
    {MessageKind::Information, QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok},
    {MessageKind::Question, kYesNo, QMessageBox::Question, QMessageBox::Yes, QMessageBox::NoButton},
    {MessageKind::YesNoInformation, kYesNo, QMessageBox::Information, QMessageBox::Yes, QMessageBox::NoButton},
    {MessageKind::YesNoStop, kYesNo, QMessageBox::Critical, QMessageBox::Yes, QMessageBox::NoButton},
    {MessageKind::YesNoCancel, kYesNo | QMessageBox::Cancel, QMessageBox::Question, QMessageBox::Yes,
     QMessageBox::Cancel},
    {MessageKind::RetryCancel, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::NoIcon, QMessageBox::Retry,
     QMessageBox::Cancel},
};

constexpr const KindLayout* LayoutOf(unsigned kind) {
  for (const KindLayout& layout : kLayouts)
    if (layout.kind == kind) return &layout;
  return nullptr;
}

constexpr bool CoversEveryKind() {
  for (const unsigned kind : MessageKind::All)
    if (!LayoutOf(kind)) return false;
  return true;
}
static_assert(CoversEveryKind(), "every message kind of the core needs its layout here");

int ResultOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok: return MessageResult::Ok;
    case QMessageBox::Cancel: return MessageResult::Cancel;
    case QMessageBox::Retry: return MessageResult::Retry;
    case QMessageBox::Yes: return MessageResult::Yes;
    case QMessageBox::No: return MessageResult::No;
    default: return MessageResult::Failed;
  }
}

class MessageBoxWindow : public QMessageBox {
 public:
  MessageBoxWindow(const KindLayout& layout, const QString& caption, const QString& text, QWidget* owner)
      : QMessageBox(layout.icon, caption, text, layout.buttons, owner), mustAnswer(layout.escape == NoButton) {
    setDefaultButton(layout.defaultButton);
    if (!mustAnswer) setEscapeButton(layout.escape);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (mustAnswer && event->matches(QKeySequence::Cancel)) return;
    QMessageBox::keyPressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    if (mustAnswer) return event->ignore();
    QMessageBox::closeEvent(event);
  }

 private:
  bool mustAnswer;
};

int ShowOnThisThread(const MessageBoxRequest& request) {
  const KindLayout* layout = LayoutOf(request.flags);
  // A kind the desktop cannot show fails as the system's box would.
  if (!layout) return MessageResult::Failed;
  QWidget* owner = WidgetOf(request.owner);
  if (owner) {
    owner->raise();
    owner->activateWindow();
  }
  QString text = QtText(request.text);
  text.replace("\r\n", "\n");
  MessageBoxWindow box(*layout, QtText(request.caption), text, owner);
  // Server messages go into boxes too: never read them as markup.
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
  box.exec();
  return ResultOf(box.standardButton(box.clickedButton()));
}

}  // namespace

int QtMessageBoxPresenter::Present(const MessageBoxRequest& request) {
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) return MessageResult::Failed;
  if (QThread::currentThread() == application->thread()) return ShowOnThisThread(request);
  int result = MessageResult::Failed;
  QMetaObject::invokeMethod(
      application, [&] { result = ShowOnThisThread(request); }, Qt::BlockingQueuedConnection);
  return result;
}

}  // namespace kestrix::gui
