// cw_linksim: a TCP proxy on 127.0.0.1 that makes loopback look like a real
// link to an HTTP server (delay, shared capacity, per-connection caps, cut
// responses). See README.md beside this file.
#include "Proxy.h"

#include <getopt.h>
#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: cw_linksim --upstream HOST:PORT [--listen-port N] [--rate-mbit X] [--per-conn-mbit X]\n"
    "                  [--rtt-ms X] [--buffer-bdp X] [--burst-ms X] [--slow-start]\n"
    "                  [--cut-share P] [--seed N] [--verbose]\n";

bool ParseDouble(const char* text, double minimum, double maximum, double& value) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || errno != 0 || !std::isfinite(v) || v < minimum || v > maximum) return false;
  value = v;
  return true;
}

// Megabits are 10^6 bits, as link speeds are quoted.
double MbitToBytesPerSecond(double mbit) { return mbit * 1e6 / 8; }

bool Resolve(const std::string& hostPort, sockaddr_storage& address, socklen_t& length) {
  const std::size_t colon = hostPort.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == hostPort.size()) return false;
  std::string host = hostPort.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  const std::string port = hostPort.substr(colon + 1);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int rc = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
  if (rc != 0) {
    std::fprintf(stderr, "cw_linksim: %s: %s\n", hostPort.c_str(), gai_strerror(rc));
    return false;
  }
  std::memcpy(&address, found->ai_addr, found->ai_addrlen);
  length = found->ai_addrlen;
  freeaddrinfo(found);
  return true;
}

int Listen(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 128) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int BoundPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

}  // namespace

int main(int argc, char** argv) {
  enum { kListenPort = 1, kUpstream, kRate, kPerConn, kRtt, kBufferBdp, kBurst, kSlowStart, kCutShare, kSeed,
         kVerbose, kHelp };
  const option longOptions[] = {
      {"listen-port", required_argument, nullptr, kListenPort}, {"upstream", required_argument, nullptr, kUpstream},
      {"rate-mbit", required_argument, nullptr, kRate},         {"per-conn-mbit", required_argument, nullptr, kPerConn},
      {"rtt-ms", required_argument, nullptr, kRtt},             {"buffer-bdp", required_argument, nullptr, kBufferBdp},
      {"burst-ms", required_argument, nullptr, kBurst},         {"slow-start", no_argument, nullptr, kSlowStart},
      {"cut-share", required_argument, nullptr, kCutShare},     {"seed", required_argument, nullptr, kSeed},
      {"verbose", no_argument, nullptr, kVerbose},              {"help", no_argument, nullptr, kHelp},
      {nullptr, 0, nullptr, 0}};

  linksim::ProxyOptions options;
  std::string upstream;
  double listenPort = 0;
  for (;;) {
    const int opt = getopt_long(argc, argv, "", longOptions, nullptr);
    if (opt == -1) break;
    double value = 0;
    bool ok = true;
    switch (opt) {
      case kListenPort: ok = ParseDouble(optarg, 0, 65535, listenPort) && listenPort == std::floor(listenPort); break;
      case kUpstream: upstream = optarg; break;
      case kRate:
        ok = ParseDouble(optarg, 0, 1e6, value);
        options.shape.rate = MbitToBytesPerSecond(value);
        break;
      case kPerConn:
        ok = ParseDouble(optarg, 0, 1e6, value);
        options.shape.perConnRate = MbitToBytesPerSecond(value);
        break;
      case kRtt:
        ok = ParseDouble(optarg, 0, 60'000, value);
        options.shape.rtt = static_cast<linksim::Nanos>(value * 1e6);
        break;
      case kBufferBdp: ok = ParseDouble(optarg, 0, 100, options.shape.bufferBdp); break;
      case kBurst:
        ok = ParseDouble(optarg, 0.1, 10'000, value);
        options.burst = static_cast<linksim::Nanos>(value * 1e6);
        break;
      case kSlowStart: options.shape.slowStart = true; break;
      case kCutShare: ok = ParseDouble(optarg, 0, 1, options.cutShare); break;
      case kSeed:
        ok = ParseDouble(optarg, 0, 9e15, value) && value == std::floor(value);
        options.seed = static_cast<std::uint64_t>(value);
        break;
      case kVerbose: options.verbose = true; break;
      case kHelp: std::fputs(kUsage, stdout); return 0;
      default: ok = false;
    }
    if (!ok) {
      std::fprintf(stderr, "cw_linksim: bad value for %s\n%s", argv[optind - 1], kUsage);
      return 2;
    }
  }
  sockaddr_storage address{};
  socklen_t length = 0;
  if (optind != argc || upstream.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (!Resolve(upstream, address, length)) return 2;

  // SIGTERM and SIGINT end the loop through a descriptor, so a summary is printed.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  const int stopFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
  const int listenFd = Listen(static_cast<int>(listenPort));
  if (stopFd < 0 || listenFd < 0) {
    std::fprintf(stderr, "cw_linksim: cannot listen on 127.0.0.1:%d: %s\n", static_cast<int>(listenPort),
                 std::strerror(errno));
    return 1;
  }
  std::printf("linksim 127.0.0.1:%d -> %s\n", BoundPort(listenFd), upstream.c_str());
  std::fflush(stdout);
  const int rc = linksim::RunProxy(listenFd, address, length, options, stopFd);
  close(listenFd);
  close(stopFd);
  return rc;
}
