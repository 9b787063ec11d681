#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/message_box.h"

namespace kestrix {

// The progress window of a long server operation. Every call does nothing
// once the window is closed.
class ProgressDialog {
 public:
  virtual ~ProgressDialog() = default;
  virtual void Open(WindowHandle owner) = 0;
  // The bar moves 100 / steps (integer division) per Step; steps is at least 1.
  virtual void SetSteps(int steps) = 0;
  virtual void Step() = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void Close() = 0;
};

using ProgressDialogFactory = std::function<std::unique_ptr<ProgressDialog>()>;

// Replaces the factory; an empty one makes operations run without a window.
void InstallProgressDialogFactory(ProgressDialogFactory factory);

// Never null: without a factory the dialog shows nothing.
std::unique_ptr<ProgressDialog> CreateProgressDialog();

}  // namespace kestrix
