#include "gui/platform/progress_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include <thread>

#include "gui/base/window_handle.h"
#include "support/scripted_message_box.h"

namespace kestrix::gui {
namespace {

WaitDialog* OpenWindow(QWidget& owner) { return owner.findChild<WaitDialog*>(); }

int BarValue(QWidget& owner) { return OpenWindow(owner)->findChild<QProgressBar*>("1002")->value(); }

TEST(ProgressDialog, ShowsItsTextAboveTheBarUntilClosed) {
  QWidget owner;
  owner.show();
  DesktopProgressDialog progress;
  progress.Open(HandleOf(&owner));
  WaitDialog* window = OpenWindow(owner);
  ASSERT_TRUE(window);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->LogoCaption(kLogoFirstId), nullptr);
  progress.SetText("Uploading flight");
  QLabel* text = window->findChild<QLabel*>("1001");
  EXPECT_EQ(text->text(), "Uploading flight");
  EXPECT_LT(text->geometry().bottom(), window->findChild<QProgressBar*>("1002")->geometry().top());

  progress.Close();
  EXPECT_EQ(OpenWindow(owner), nullptr);
  progress.SetText("After closing");
  progress.SetSteps(2);
  progress.Step();
  progress.Close();
}

TEST(ProgressDialog, EachStepMovesTheBarAHundredDividedByTheStepCount) {
  struct StepCase {
    int steps;  // 0: SetSteps(0), which has no step size
    int stepCalls;
    int value;
  };
  for (const StepCase& step : {StepCase{3, 3, 99}, StepCase{7, 1, 14}, StepCase{1, 2, 100}, StepCase{0, 2, 20}}) {
    QWidget owner;
    DesktopProgressDialog progress;
    progress.Open(HandleOf(&owner));
    progress.SetSteps(step.steps);
    for (int i = 0; i < step.stepCalls; ++i) progress.Step();
    EXPECT_EQ(BarValue(owner), step.value) << step.steps << " steps, " << step.stepCalls << " calls";
  }
}

TEST(ProgressDialog, OpenedAwayFromTheGuiThreadItWarnsAndTheOperationGoesOnWithout) {
  test::ScriptedMessageBox boxes;
  DesktopProgressDialog progress;
  const WindowHandle owner = reinterpret_cast<WindowHandle>(0x51);
  std::thread worker([&] {
    progress.Open(owner);
    progress.SetSteps(3);
    progress.Step();
    progress.SetText("Uploading flight");
    progress.Close();
  });
  worker.join();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, "Error creating progressDialog.");
  EXPECT_EQ(boxes.Shown()[0].caption, "Kestrix v2");
  EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Warning);
  EXPECT_EQ(boxes.Shown()[0].owner, owner);
}

}  // namespace
}  // namespace kestrix::gui
