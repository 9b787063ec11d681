#include "platform/progress_dialog.h"

#include <utility>

#include "platform/seam.h"

namespace kestrix {
namespace {

Seam<ProgressDialogFactory>& FactorySeam() {
  static Seam<ProgressDialogFactory> seam;
  return seam;
}

class SilentProgressDialog : public ProgressDialog {
 public:
  void Open(WindowHandle) override {}
  void SetSteps(int) override {}
  void Step() override {}
  void SetText(const std::string&) override {}
  void Close() override {}
};

}  // namespace

void InstallProgressDialogFactory(ProgressDialogFactory factory) {
  FactorySeam().Install(factory ? std::make_shared<ProgressDialogFactory>(std::move(factory)) : nullptr);
}

std::unique_ptr<ProgressDialog> CreateProgressDialog() {
  auto factory = FactorySeam().Get();
  std::unique_ptr<ProgressDialog> dialog = factory ? (*factory)() : nullptr;
  if (!dialog) dialog = std::make_unique<SilentProgressDialog>();
  return dialog;
}

}  // namespace kestrix
