#include "platform/network.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace cwplat {
namespace {

bool ReachesBeyondLink(const sockaddr* address) {
  if (address == nullptr) return false;
  if (address->sa_family == AF_INET) return true;
  if (address->sa_family != AF_INET6) return false;
  const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
  return !IN6_IS_ADDR_LINKLOCAL(&v6->sin6_addr) && !IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr) &&
         !IN6_IS_ADDR_UNSPECIFIED(&v6->sin6_addr);
}

}  // namespace

bool IsNetworkAlive() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool alive = false;
  for (const ifaddrs* entry = list; entry != nullptr && !alive; entry = entry->ifa_next) {
    const unsigned flags = entry->ifa_flags;
    if ((flags & IFF_LOOPBACK) != 0 || (flags & IFF_UP) == 0 || (flags & IFF_RUNNING) == 0) continue;
    alive = ReachesBeyondLink(entry->ifa_addr);
  }
  freeifaddrs(list);
  return alive;
}

}  // namespace cwplat
