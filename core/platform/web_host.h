#pragma once

#include <memory>
#include <string>

#include "platform/message_box.h"

namespace kestrix {

// Shows a page of the airline's site in a modal window, and the little window
// handling the caller does around it.
class WebHost {
 public:
  virtual ~WebHost() = default;
  // Shows firstPart + secondPart and returns when the pilot closes it.
  virtual int ShowPage(WindowHandle owner, const std::string& firstPart, const std::string& secondPart) = 0;
  virtual void EnableWindow(WindowHandle window, bool enabled) = 0;
  virtual void BringToTop(WindowHandle window) = 0;
};

// Replaces the web host; nullptr removes it.
void InstallWebHost(std::shared_ptr<WebHost> host);

// Without an installed host nothing is shown and 0 comes back.
int ShowWebPage(WindowHandle owner, const std::string& firstPart, const std::string& secondPart);
void EnableOwnerWindow(WindowHandle window, bool enabled);
void BringWindowToTop(WindowHandle window);

}  // namespace kestrix
