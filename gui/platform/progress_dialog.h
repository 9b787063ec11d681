#pragma once

#include <QPointer>

#include <memory>
#include <string>

#include "gui/base/dialog_base.h"
#include "platform/progress_dialog.h"

class QLabel;
class QProgressBar;

namespace kestrix::gui {

// The small window a long server operation shows while it runs: a text of
// two lines above a bar.
class WaitDialog : public DialogBase {
  Q_OBJECT
 public:
  explicit WaitDialog(QWidget* owner);

  void SetText(const QString& text);
  // Moves the bar on by `amount`, up to its end at 100.
  void Advance(int amount);

  // Escape and the close request destroy the window; the operation goes on without it.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* text;
  QProgressBar* bar;
};

// The core's progress dialog on the desktop. Every call but Open does
// nothing while no window is open.
class DesktopProgressDialog : public ProgressDialog {
 public:
  ~DesktopProgressDialog() override;
  void Open(WindowHandle owner) override;
  void SetSteps(int steps) override;
  void Step() override;
  void SetText(const std::string& text) override;
  void Close() override;

 private:
  QPointer<WaitDialog> window;
  int stepSize = 0;
};

// The factory the core's operations get their progress dialogs from.
std::unique_ptr<ProgressDialog> CreateDesktopProgressDialog();

}  // namespace kestrix::gui
