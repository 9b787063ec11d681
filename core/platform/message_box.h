#pragma once

#include <memory>
#include <string>

namespace kestrix {

// An opaque window handle; the GUI maps it to its own widgets.
using WindowHandle = void*;

inline constexpr const char* kProgramCaption = "Kestrix v2";

// Button and icon combinations, with the flag values the system uses.
namespace MessageKind {
inline constexpr unsigned Plain = 0x0;
inline constexpr unsigned Error = 0x10;
inline constexpr unsigned Warning = 0x30;
inline constexpr unsigned Information = 0x40;
inline constexpr unsigned Question = 0x24;
inline constexpr unsigned YesNoInformation = 0x44;
inline constexpr unsigned YesNoStop = 0x14;
inline constexpr unsigned YesNoCancel = 0x23;
inline constexpr unsigned RetryCancel = 0x5;

// Every kind above: a presenter has to show each of them, and a new kind
// belongs here too.
inline constexpr unsigned All[] = {Plain, Error, Warning, Information, Question,
                                   YesNoInformation, YesNoStop, YesNoCancel, RetryCancel};
}  // namespace MessageKind

namespace MessageResult {
inline constexpr int Failed = 0;
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Retry = 4;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
}  // namespace MessageResult

struct MessageBoxRequest {
  WindowHandle owner = nullptr;
  std::string text;
  std::string caption;
  unsigned flags = 0;
};

// The desktop (or a test) shows the box and returns the button pressed.
class MessageBoxPresenter {
 public:
  virtual ~MessageBoxPresenter() = default;
  virtual int Present(const MessageBoxRequest& request) = 0;
};

// Replaces the presenter; nullptr removes it. Safe from any thread.
void InstallMessageBoxPresenter(std::shared_ptr<MessageBoxPresenter> presenter);

// Shows a modal message box through the installed presenter and returns the
// pressed button; without a presenter nothing can be shown and 0 comes back.
int ShowMessageBox(WindowHandle owner, std::string text, std::string caption, unsigned flags);

}  // namespace kestrix
