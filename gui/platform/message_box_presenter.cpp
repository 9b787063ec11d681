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

constexpr unsigned kButtonsMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;

QMessageBox::StandardButtons ButtonsOf(unsigned flags) {
  switch (flags & kButtonsMask) {
    case MessageKind::YesNoCancel & kButtonsMask: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageKind::Question & kButtonsMask: return QMessageBox::Yes | QMessageBox::No;
    default: return QMessageBox::Ok;
  }
}

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & kIconMask) {
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Question & kIconMask: return QMessageBox::Question;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int ResultOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok: return MessageResult::Ok;
    case QMessageBox::Cancel: return MessageResult::Cancel;
    case QMessageBox::Yes: return MessageResult::Yes;
    case QMessageBox::No: return MessageResult::No;
    default: return MessageResult::Failed;
  }
}

// A Yes/No box has to be answered: Escape and closing the window do nothing.
// A box with Cancel gives Cancel for them, a box with only OK gives OK.
class MessageBoxWindow : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (MustAnswer() && event->matches(QKeySequence::Cancel)) return;
    QMessageBox::keyPressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    if (MustAnswer()) return event->ignore();
    QMessageBox::closeEvent(event);
  }

 private:
  bool MustAnswer() const { return !button(QMessageBox::Ok) && !button(QMessageBox::Cancel); }
};

int ShowOnThisThread(const MessageBoxRequest& request) {
  QWidget* owner = WidgetOf(request.owner);
  if (owner) {
    owner->raise();
    owner->activateWindow();
  }
  QString text = QtText(request.text);
  text.replace("\r\n", "\n");
  const QMessageBox::StandardButtons buttons = ButtonsOf(request.flags);
  MessageBoxWindow box(IconOf(request.flags), QtText(request.caption), text, buttons, owner);
  // Server messages go into boxes too: never read them as markup.
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
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
