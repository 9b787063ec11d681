#include "platform/message_box.h"

#include <mutex>
#include <utility>

namespace kestrix {
namespace {

std::mutex presenterMutex;
std::shared_ptr<MessageBoxPresenter> installedPresenter;

std::shared_ptr<MessageBoxPresenter> CurrentPresenter() {
  std::lock_guard lock(presenterMutex);
  return installedPresenter;
}

}  // namespace

void InstallMessageBoxPresenter(std::shared_ptr<MessageBoxPresenter> presenter) {
  std::lock_guard lock(presenterMutex);
  installedPresenter = std::move(presenter);
}

int ShowMessageBox(WindowHandle owner, std::string text, std::string caption, unsigned flags) {
  // The presenter runs outside the lock: a modal box may take as long as the pilot likes.
  auto presenter = CurrentPresenter();
  if (!presenter) return MessageResult::Failed;
  return presenter->Present({owner, std::move(text), std::move(caption), flags});
}

}  // namespace kestrix
