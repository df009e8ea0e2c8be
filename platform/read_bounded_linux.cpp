#include "platform/read_bounded.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace cwplat {

std::optional<std::string> ReadFileBounded(const std::string& path, std::size_t maxBytes, bool* truncated) {
  if (truncated != nullptr) *truncated = false;
  // O_NONBLOCK keeps open() from waiting on a FIFO; the type check below rejects it.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return std::nullopt;
  }
  // /proc and sysfs report a size of 0, so read until end of file, one byte
  // past the ceiling to learn whether there was more.
  std::string data;
  char buf[8192];
  while (data.size() <= maxBytes) {
    const std::size_t want = std::min(sizeof(buf), maxBytes + 1 - data.size());
    const ssize_t n = read(fd, buf, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buf, static_cast<std::size_t>(n));
  }
  close(fd);
  if (data.size() > maxBytes) {
    data.resize(maxBytes);
    if (truncated != nullptr) *truncated = true;
  }
  return data;
}

}  // namespace cwplat
