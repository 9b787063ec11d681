#include "gui/platform/message_box_presenter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <future>

#include "gui/base/window_handle.h"
#include "gui/modal.h"

namespace kestrix::gui {
namespace {

using test::OnModal;

struct KindCase {
  unsigned flags;
  QMessageBox::StandardButtons buttons;
  QMessageBox::Icon icon;
  QMessageBox::StandardButton defaultButton;
};

constexpr auto kOk = QMessageBox::Ok;
constexpr auto kYes = QMessageBox::Yes;
constexpr auto kYesNo = QMessageBox::Yes | QMessageBox::No;

const KindCase kKinds[] = {
    {MessageKind::Plain, kOk, QMessageBox::NoIcon, kOk},
    {MessageKind::Error, kOk, QMessageBox::Critical, kOk},
    {MessageKind::Warning, kOk, QMessageBox::Warning, kOk},
    {MessageKind::Information, kOk, QMessageBox::Information, kOk},
    {MessageKind::Question, kYesNo, QMessageBox::Question, kYes},
    {MessageKind::YesNoInformation, kYesNo, QMessageBox::Information, kYes},
    {MessageKind::YesNoStop, kYesNo, QMessageBox::Critical, kYes},
    {MessageKind::YesNoCancel, kYesNo | QMessageBox::Cancel, QMessageBox::Question, kYes},
    {MessageKind::RetryCancel, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::NoIcon, QMessageBox::Retry},
};

const std::pair<QMessageBox::StandardButton, int> kResults[] = {
    {QMessageBox::Ok, MessageResult::Ok},       {QMessageBox::Cancel, MessageResult::Cancel},
    {QMessageBox::Retry, MessageResult::Retry}, {QMessageBox::Yes, MessageResult::Yes},
    {QMessageBox::No, MessageResult::No},
};

TEST(MessageBoxPresenter, EveryKindOfTheCoreHasItsCaseHere) {
  for (const unsigned kind : MessageKind::All) {
    EXPECT_TRUE(std::any_of(std::begin(kKinds), std::end(kKinds), [&](const KindCase& known) {
      return known.flags == kind;
    })) << "kind " << kind;
  }
}

TEST(MessageBoxPresenter, EveryKindShowsItsButtonsAndIconAndAnswersWithThePressedButton) {
  QtMessageBoxPresenter presenter;
  for (const KindCase& kind : kKinds) {
    for (const auto& [button, result] : kResults) {
      if (!kind.buttons.testFlag(button)) continue;
      OnModal<QMessageBox>([&](QMessageBox& box) {
        EXPECT_EQ(box.standardButtons(), kind.buttons);
        EXPECT_EQ(box.icon(), kind.icon);
        EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()), box.button(kind.defaultButton));
        EXPECT_EQ(box.windowTitle(), "Kestrix v2");
        EXPECT_EQ(box.text(), "Are you sure?");
        QTest::mouseClick(box.button(button), Qt::LeftButton);
      });
      EXPECT_EQ(presenter.Present({nullptr, "Are you sure?", kProgramCaption, kind.flags}), result)
          << "flags " << kind.flags << ", button " << button;
    }
  }
}

TEST(MessageBoxPresenter, EscapeAndClosingCancelOnlyABoxThatHasCancelOrOnlyOk) {
  struct EscapeCase {
    unsigned flags;
    bool staysOpen;
    int result;
  };
  for (const EscapeCase& escape : {EscapeCase{MessageKind::YesNoCancel, false, MessageResult::Cancel},
                                   EscapeCase{MessageKind::RetryCancel, false, MessageResult::Cancel},
                                   EscapeCase{MessageKind::Information, false, MessageResult::Ok},
                                   EscapeCase{MessageKind::Question, true, MessageResult::No},
                                   EscapeCase{MessageKind::YesNoStop, true, MessageResult::No}}) {
    for (const bool byKey : {true, false}) {
      bool stayedOpen = false;
      OnModal<QMessageBox>([&](QMessageBox& box) {
        if (byKey) {
          QTest::keyClick(&box, Qt::Key_Escape);
        } else {
          box.close();
        }
        stayedOpen = box.isVisible();
        if (stayedOpen) QTest::mouseClick(box.button(QMessageBox::No), Qt::LeftButton);
      });
      QtMessageBoxPresenter presenter;
      EXPECT_EQ(presenter.Present({nullptr, "Escape?", kProgramCaption, escape.flags}), escape.result)
          << "flags " << escape.flags << (byKey ? ", Escape" : ", closed");
      EXPECT_EQ(stayedOpen, escape.staysOpen) << "flags " << escape.flags << (byKey ? ", Escape" : ", closed");
    }
  }
}

// Counts the activations of a window.
class ActivationCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    activations += event->type() == QEvent::WindowActivate;
    return false;
  }
  int activations = 0;
};

TEST(MessageBoxPresenter, OwnerComesForwardAndHoldsTheBoxWhichShowsTextAndCaptionAsGiven) {
  QWidget owner;
  QWidget other;
  owner.show();
  other.show();
  other.activateWindow();
  QTRY_VERIFY(other.isActiveWindow());
  ActivationCounter counter;
  owner.installEventFilter(&counter);
  OnModal<QMessageBox>([&](QMessageBox& box) {
    EXPECT_EQ(box.parentWidget(), &owner);
    EXPECT_EQ(box.windowModality(), Qt::WindowModal);
    EXPECT_EQ(box.windowTitle(), "Upload Flight Plan");
    EXPECT_EQ(box.textFormat(), Qt::PlainText);
    EXPECT_EQ(box.text(), "<b>KORD</b> refused.\nTry again.");
    QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
  });
  QtMessageBoxPresenter presenter;
  EXPECT_EQ(presenter.Present({HandleOf(&owner), "<b>KORD</b> refused.\r\nTry again.", "Upload Flight Plan",
                               MessageKind::Information}),
            MessageResult::Ok);
  EXPECT_GE(counter.activations, 1);
}

TEST(MessageBoxPresenter, ABoxAskedForOnAnotherThreadOpensOnTheGuiThreadAndItsAnswerGoesBack) {
  QtMessageBoxPresenter presenter;
  QThread* boxThread = nullptr;
  OnModal<QMessageBox>([&](QMessageBox& box) {
    boxThread = box.thread();
    QTest::mouseClick(box.button(QMessageBox::No), Qt::LeftButton);
  });
  auto answer = std::async(std::launch::async, [&] {
    return presenter.Present({nullptr, "From the worker", kProgramCaption, MessageKind::Question});
  });
  QTRY_VERIFY_WITH_TIMEOUT(answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 10000);
  EXPECT_EQ(answer.get(), MessageResult::No);
  EXPECT_EQ(boxThread, QCoreApplication::instance()->thread());
}

}  // namespace
}  // namespace kestrix::gui
