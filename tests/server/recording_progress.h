#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/progress_dialog.h"

namespace kestrix::test {

// What a progress dialog was told, kept after the dialog itself is gone.
struct ProgressLog {
  int opened = 0;
  int steps = 0;
  int closed = 0;
  int stepSize = 0;
  std::vector<std::string> texts;
  // Lets a test act at a given stage of an operation.
  std::function<void(const std::string&)> onText;
};

class RecordingProgress : public ProgressDialog {
 public:
  explicit RecordingProgress(std::shared_ptr<ProgressLog> log) : log(std::move(log)) {}
  void Open(WindowHandle) override { ++log->opened; }
  void SetSteps(int count) override { log->stepSize = 100 / count; }
  void Step() override { ++log->steps; }
  void SetText(const std::string& text) override {
    log->texts.push_back(text);
    if (log->onText) log->onText(text);
  }
  void Close() override { ++log->closed; }

 private:
  std::shared_ptr<ProgressLog> log;
};

// Every progress dialog made while this lives records into one log.
class ScopedProgressLog {
 public:
  ScopedProgressLog() : log(std::make_shared<ProgressLog>()) {
    InstallProgressDialogFactory([log = log] { return std::make_unique<RecordingProgress>(log); });
  }
  ~ScopedProgressLog() { InstallProgressDialogFactory(nullptr); }
  ProgressLog* operator->() { return log.get(); }

 private:
  std::shared_ptr<ProgressLog> log;
};

}  // namespace kestrix::test
