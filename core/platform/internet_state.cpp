#include "platform/internet_state.h"

#include <ifaddrs.h>
#include <net/if.h>

#include <memory>
#include <utility>

#include "platform/seam.h"

namespace kestrix {
namespace {

Seam<InternetStateProbe>& ProbeSeam() {
  static Seam<InternetStateProbe> seam;
  return seam;
}

}  // namespace

void InstallInternetStateProbe(InternetStateProbe probe) {
  ProbeSeam().Install(probe ? std::make_shared<InternetStateProbe>(std::move(probe)) : nullptr);
}

bool IsInternetConnected() {
  auto probe = ProbeSeam().Get();
  return probe ? (*probe)() : SystemHasNetworkInterface();
}

bool SystemHasNetworkInterface() {
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) return false;
  bool connected = false;
  for (const ifaddrs* entry = interfaces; entry && !connected; entry = entry->ifa_next) {
    const unsigned flags = entry->ifa_flags;
    connected = (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
  }
  freeifaddrs(interfaces);
  return connected;
}

}  // namespace kestrix
