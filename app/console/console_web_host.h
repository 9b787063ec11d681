#pragma once

#include <string>

#include "platform/web_host.h"

namespace kestrix::console {

// The last page shown, kept in the working directory to be looked at later.
inline constexpr const char* kReportPageFile = "report_page.html";

// "Shows" a page as a pilot would use it: fetches it and, when it offers a
// "Complete PIREP" link, follows that link.
class ConsoleWebHost : public WebHost {
 public:
  int ShowPage(WindowHandle owner, const std::string& firstPart, const std::string& secondPart) override;
  void EnableWindow(WindowHandle, bool) override {}
  void BringToTop(WindowHandle) override {}

  int PagesShown() const { return pagesShown; }
  bool CompletedPirep() const { return completedPirep; }

 private:
  int pagesShown = 0;
  bool completedPirep = false;
};

// The address the page's "Complete PIREP" link leads to, resolved against the
// page's own "host[:port]/path?query" address; empty when there is no such link.
std::string CompleteLinkTarget(const std::string& pageAddress, const std::string& html);

}  // namespace kestrix::console
