#pragma once

#include <memory>
#include <string>

#include "platform/progress_dialog.h"

namespace kestrix::console {

// A progress window on the console: its texts, and the bar only at each
// further quarter, so a long upload does not flood the output.
class ConsoleProgress : public ProgressDialog {
 public:
  void Open(WindowHandle owner) override;
  void SetSteps(int steps) override;
  void Step() override;
  void SetText(const std::string& text) override;
  void Close() override;

 private:
  bool open = false;
  int steps = 1;
  int percent = 0;
  int shownQuarter = 0;
};

std::unique_ptr<ProgressDialog> MakeConsoleProgress();

}  // namespace kestrix::console
