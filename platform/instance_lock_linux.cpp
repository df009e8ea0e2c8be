#include "platform/instance_lock.h"

#include "platform/log.h"
#include "platform/paths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace cwplat {
namespace {

// Leaves room below NAME_MAX for the suffixes (".lock", ".sock.lock").
constexpr std::size_t kMaxObjectNameBytes = 200;

// The holder's pid in the file helps a person who finds it; the lock does not need it.
void WriteHolderPid(int fd) {
  const std::string pid = std::to_string(getpid()) + "\n";
  const bool written = ftruncate(fd, 0) == 0 && pwrite(fd, pid.data(), pid.size(), 0) == static_cast<ssize_t>(pid.size());
  const int err = errno;
  if (!written) CWLOG << " Cannot note the holder in the lock file: " << std::strerror(err);
}

}  // namespace

bool IsValidObjectName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxObjectNameBytes && name.find('/') == std::string::npos &&
         name.find("..") == std::string::npos && name.find('\0') == std::string::npos;
}

CInstanceLock::CInstanceLock(std::string folder) : m_folder(std::move(folder)) {}

CInstanceLock::~CInstanceLock() { Release(); }

CInstanceLock::Result CInstanceLock::Acquire(const std::string& name) {
  if (!IsValidObjectName(name)) {
    CWLOG << " Instance lock name rejected: " << name;
    return Result::Error;
  }
  const std::string path = (m_folder.empty() ? GetRuntimeFolder() : m_folder) + "/" + name + ".lock";
  if (IsHeld()) return path == m_path ? Result::AlreadyExists : Result::Error;

  // A fresh open file description per object: flock belongs to it, so even a
  // second object in this process is refused. O_CLOEXEC keeps started programs
  // from inheriting (and so holding) the lock.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    const int err = errno;
    CWLOG << " Cannot open the lock file " << path << ": " << std::strerror(err);
    return Result::Error;
  }
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    close(fd);
    if (err == EWOULDBLOCK) return Result::AlreadyExists;
    CWLOG << " Cannot lock " << path << ": " << std::strerror(err);
    return Result::Error;
  }
  WriteHolderPid(fd);
  m_fd = fd;
  m_path = path;
  return Result::Acquired;
}

bool CInstanceLock::Release() {
  if (!IsHeld()) return false;
  // Unlock explicitly: a forked child may share the open file description.
  flock(m_fd, LOCK_UN);
  close(m_fd);
  m_fd = -1;
  m_path.clear();
  return true;
}

}  // namespace cwplat
