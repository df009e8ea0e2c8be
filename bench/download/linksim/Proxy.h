// The event loop: accepts clients on the listening socket, connects each to
// the upstream server, and moves bytes both ways through the simulated link.
#pragma once

#include "Link.h"

#include <sys/socket.h>

#include <cstdint>

namespace linksim {

struct ProxyOptions {
  LinkShape shape;
  Nanos burst = 10'000'000;  // what an idle bucket may hold, as time at its rate
  double cutShare = 0;       // share of responses cut at a random body byte
  std::uint64_t seed = 1;
  bool verbose = false;      // one line per connection and per cut on standard error
};

// Runs until `stopFd` (a signalfd) becomes readable, then prints a summary on
// standard error. Returns 0, or 1 after an error of the loop itself.
int RunProxy(int listenFd, const sockaddr_storage& upstream, socklen_t upstreamLength, const ProxyOptions& options,
             int stopFd);

}  // namespace linksim
