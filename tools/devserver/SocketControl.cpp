#include "SocketControl.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

namespace devserver {
namespace {

bool Describe(const sockaddr_storage& addr, socklen_t len, std::string& host, int& port) {
  char hostBuf[NI_MAXHOST];
  char portBuf[NI_MAXSERV];
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&addr), len, hostBuf, sizeof hostBuf, portBuf, sizeof portBuf,
                  NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    return false;
  }
  host = hostBuf;
  const std::string_view p(portBuf);
  return std::from_chars(p.data(), p.data() + p.size(), port).ec == std::errc();
}

bool Matches(int fd, const ConnectionId& id) {
  sockaddr_storage local{};
  sockaddr_storage peer{};
  socklen_t localLen = sizeof local;
  socklen_t peerLen = sizeof peer;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLen) != 0) return false;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0) return false;
  std::string localHost, peerHost;
  int localPort = -1, peerPort = -1;
  return Describe(local, localLen, localHost, localPort) && Describe(peer, peerLen, peerHost, peerPort) &&
         localPort == id.localPort && peerPort == id.remotePort && localHost == id.localAddr &&
         peerHost == id.remoteAddr;
}

int FindSocket(const ConnectionId& id) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    int fd = -1;
    if (std::from_chars(name.data(), name.data() + name.size(), fd).ec != std::errc() || fd < 0) continue;
    if (Matches(fd, id)) return fd;
  }
  return -1;
}

void WaitForDrain(int fd, int drainMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(drainMs);
  while (std::chrono::steady_clock::now() < deadline) {
    int pending = 0;
    if (ioctl(fd, SIOCOUTQ, &pending) != 0 || pending <= 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

AbortResult ResetConnection(const ConnectionId& id, int drainMs) {
  const int fd = FindSocket(id);
  if (fd < 0) return AbortResult::NotFound;
  WaitForDrain(fd, drainMs);
  const linger hard{1, 0};
  if (setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard) != 0) return AbortResult::NotFound;
  const int placeholder = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (placeholder < 0) return AbortResult::NotFound;
  // dup2 closes the socket (its only reference), which with linger 0 sends the RST.
  const bool replaced = dup2(placeholder, fd) == fd;
  close(placeholder);
  return replaced ? AbortResult::Reset : AbortResult::NotFound;
}

bool RaiseBacklog(int listenSocket, int backlog) { return listen(listenSocket, backlog) == 0; }

}  // namespace devserver
