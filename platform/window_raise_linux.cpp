#include "platform/window_raise.h"

#include "platform/instance_lock.h"
#include "platform/log.h"
#include "platform/paths.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>

namespace cwplat {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRequestLimit = std::chrono::milliseconds(2000);
// A client gets this long to send its line; the listener serves one at a time.
constexpr auto kClientLimit = std::chrono::milliseconds(500);
constexpr std::size_t kMaxLineBytes = 64;
constexpr int kBacklog = 8;
const char kRequestLine[] = "raise";
const char kAnswerLine[] = "ok";

std::string SocketPathFor(const std::string& folder, const std::string& className) {
  return (folder.empty() ? GetRuntimeFolder() : folder) + "/" + className + ".sock";
}

std::optional<sockaddr_un> SocketAddress(const std::string& path) {
  sockaddr_un addr{};
  if (path.size() >= sizeof(addr.sun_path)) return std::nullopt;  // room for the NUL
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return addr;
}

const sockaddr* AsSockaddr(const sockaddr_un& addr) { return reinterpret_cast<const sockaddr*>(&addr); }

int NewSocket() { return socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0); }

// A connected socket, or -1 with errno from the last attempt. A full backlog
// (EAGAIN) is retried until the deadline.
int ConnectBefore(const sockaddr_un& addr, Clock::time_point deadline) {
  for (;;) {
    const int fd = NewSocket();
    if (fd < 0) return -1;
    if (connect(fd, AsSockaddr(addr), sizeof(addr)) == 0) return fd;
    const int err = errno;
    close(fd);
    errno = err;
    if ((err != EAGAIN && err != EINTR) || Clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(left);
}

// One line without its '\n', read before the deadline and within kMaxLineBytes.
// Gives up early when stopFd (if any) becomes readable.
std::optional<std::string> ReadLine(int fd, int stopFd, Clock::time_point deadline) {
  std::string line;
  while (line.size() < kMaxLineBytes) {
    const int left = MillisecondsLeft(deadline);
    if (left == 0) return std::nullopt;
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    const int ready = poll(fds, stopFd >= 0 ? 2 : 1, left);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (stopFd >= 0 && fds[1].revents != 0)) return std::nullopt;
    char buf[kMaxLineBytes];
    const ssize_t got = recv(fd, buf, kMaxLineBytes - line.size(), 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (got <= 0) return std::nullopt;
    line.append(buf, static_cast<std::size_t>(got));
    const std::size_t newline = line.find('\n');
    if (newline != std::string::npos) return line.substr(0, newline);
  }
  return std::nullopt;
}

// The few bytes sent here always fit an empty socket buffer.
bool SendLine(int fd, const std::string& line) {
  const std::string text = line + "\n";
  return send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

// Only this user's own processes may ask (the runtime folder should already see to that).
bool IsSameUser(int fd) {
  ucred cred{};
  socklen_t size = sizeof(cred);
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 && cred.uid == geteuid();
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// A socket file left by a dead copy refuses connections; a live one accepts
// them (or has a full backlog) and must not be taken over.
bool IsLiveListener(const sockaddr_un& addr) {
  const int fd = ConnectBefore(addr, Clock::now());
  if (fd >= 0) {
    close(fd);
    return true;
  }
  return errno == EAGAIN;
}

// The lock that a listener holds on its socket path, or -1 when another
// listener has it.
int LockSocketPath(const std::string& socketPath) {
  const std::string lockPath = socketPath + ".lock";
  int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    CWLOG << " Another copy listens on " << socketPath << " (" << lockPath << ": " << std::strerror(err) << ")";
    CloseFd(fd);
  }
  return fd;
}

// Removes a socket file left by a dead copy. False when something live or not
// a socket is at the path.
bool ClearStaleSocket(const std::string& path, const sockaddr_un& addr) {
  struct stat st{};
  if (lstat(path.c_str(), &st) != 0) return true;
  if (!S_ISSOCK(st.st_mode) || IsLiveListener(addr)) {
    CWLOG << " Socket path " << path << " is in use, not taking it over";
    return false;
  }
  CWLOG << " Removing the stale socket " << path;
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}

// A socket listening at path, or -1.
int ListenAt(const std::string& path, const sockaddr_un& addr) {
  int fd = NewSocket();
  if (fd >= 0 && bind(fd, AsSockaddr(addr), sizeof(addr)) == 0) {
    if (listen(fd, kBacklog) == 0) return fd;
    const int err = errno;
    unlink(path.c_str());
    errno = err;
  }
  const int err = errno;
  CWLOG << " Cannot listen on " << path << ": " << std::strerror(err);
  CloseFd(fd);
  return -1;
}

}  // namespace

CRaiseListener::CRaiseListener(std::string folder) : m_folder(std::move(folder)) {}

CRaiseListener::~CRaiseListener() { Stop(); }

bool CRaiseListener::Start(const std::string& className, std::function<void()> onRaise) {
  if (IsListening() || !onRaise) return false;
  if (!IsValidObjectName(className)) {
    CWLOG << " Window class name unusable for a socket: " << className;
    return false;
  }
  const std::string path = SocketPathFor(m_folder, className);
  const std::optional<sockaddr_un> addr = SocketAddress(path);
  if (!addr) {
    CWLOG << " Socket path too long: " << path;
    return false;
  }
  m_lockFd = LockSocketPath(path);
  if (m_lockFd < 0) return false;
  if (ClearStaleSocket(path, *addr) && (m_listenFd = ListenAt(path, *addr)) >= 0) {
    m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const int err = errno;
    if (m_stopFd < 0) {
      CWLOG << " Cannot start the raise listener: " << std::strerror(err);
    } else {
      m_socketPath = path;
      m_onRaise = std::move(onRaise);
      try {
        m_thread = std::thread(&CRaiseListener::Serve, this);
        return true;
      } catch (const std::system_error& e) {
        CWLOG << " Cannot start the raise listener: " << e.what();
      }
    }
  }
  if (m_listenFd >= 0) unlink(path.c_str());
  CloseFd(m_listenFd);
  CloseFd(m_stopFd);
  CloseFd(m_lockFd);
  m_socketPath.clear();
  m_onRaise = nullptr;
  return false;
}

void CRaiseListener::Stop() {
  if (!IsListening()) return;
  const std::uint64_t one = 1;
  if (write(m_stopFd, &one, sizeof(one)) != static_cast<ssize_t>(sizeof(one))) {
    const int err = errno;
    CWLOG << " Cannot wake the raise listener: " << std::strerror(err);
  }
  m_thread.join();
  // Unlink while still holding the lock, so it cannot hit a successor's socket.
  unlink(m_socketPath.c_str());
  CloseFd(m_listenFd);
  CloseFd(m_stopFd);
  CloseFd(m_lockFd);
  m_socketPath.clear();
  m_onRaise = nullptr;
}

void CRaiseListener::Serve() {
  for (;;) {
    pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    const int ready = poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || fds[1].revents != 0) return;
    if ((fds[0].revents & POLLIN) == 0) {
      CWLOG << " Raise listener socket failed, no longer listening";
      return;
    }
    int client = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) {
      const int err = errno;
      if (err != EAGAIN && err != EINTR && err != ECONNABORTED) {
        // Out of descriptors and the like: pause instead of spinning on the pending connection.
        CWLOG << " Cannot accept a raise request: " << std::strerror(err);
        poll(&fds[1], 1, 100);
      }
      continue;
    }
    const std::optional<std::string> line =
        IsSameUser(client) ? ReadLine(client, m_stopFd, Clock::now() + kClientLimit) : std::nullopt;
    if (line == kRequestLine) {
      try {
        m_onRaise();
      } catch (...) {
        CWLOG << " Raising the window failed with an exception";
      }
      SendLine(client, kAnswerLine);
    }
    CloseFd(client);
  }
}

bool RequestRaise(const std::string& className, const std::string& folder) {
  if (!IsValidObjectName(className)) return false;
  const std::optional<sockaddr_un> addr = SocketAddress(SocketPathFor(folder, className));
  if (!addr) return false;
  const Clock::time_point deadline = Clock::now() + kRequestLimit;
  int fd = ConnectBefore(*addr, deadline);
  if (fd < 0) return false;  // nobody listens
  const bool answered = SendLine(fd, kRequestLine) && ReadLine(fd, -1, deadline) == kAnswerLine;
  CloseFd(fd);
  return answered;
}

}  // namespace cwplat
