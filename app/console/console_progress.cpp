#include "console/console_progress.h"

#include <algorithm>
#include <iostream>

namespace kestrix::console {

void ConsoleProgress::Open(WindowHandle) {
  open = true;
  percent = shownQuarter = 0;
}

void ConsoleProgress::SetSteps(int count) {
  if (open) steps = std::max(count, 1);
}

void ConsoleProgress::Step() {
  if (!open) return;
  percent = std::min(percent + 100 / steps, 100);
  if (percent / 25 > shownQuarter) {
    shownQuarter = percent / 25;
    std::cout << "  progress " << percent << "%" << std::endl;
  }
}

void ConsoleProgress::SetText(const std::string& text) {
  if (open) std::cout << "  progress: " << text << std::endl;
}

void ConsoleProgress::Close() { open = false; }

std::unique_ptr<ProgressDialog> MakeConsoleProgress() { return std::make_unique<ConsoleProgress>(); }

}  // namespace kestrix::console
