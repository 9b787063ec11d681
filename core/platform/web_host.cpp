#include "platform/web_host.h"

#include <utility>

#include "platform/seam.h"

namespace kestrix {
namespace {

Seam<WebHost>& HostSeam() {
  static Seam<WebHost> seam;
  return seam;
}

}  // namespace

void InstallWebHost(std::shared_ptr<WebHost> host) { HostSeam().Install(std::move(host)); }

int ShowWebPage(WindowHandle owner, const std::string& firstPart, const std::string& secondPart) {
  auto host = HostSeam().Get();
  return host ? host->ShowPage(owner, firstPart, secondPart) : 0;
}

void EnableOwnerWindow(WindowHandle window, bool enabled) {
  if (auto host = HostSeam().Get()) host->EnableWindow(window, enabled);
}

void BringWindowToTop(WindowHandle window) {
  if (auto host = HostSeam().Get()) host->BringToTop(window);
}

}  // namespace kestrix
