#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace cwplat {
namespace {

int ToWindowsError(int err, bool creating) {
  // Windows tells a missing folder (3) from a missing file (2).
  return err == ENOENT && creating ? kErrorPathNotFound : WindowsErrorFromErrno(err);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

CFile::~CFile() { Close(); }

int CFile::Open(const std::string& path, Mode mode) {
  Close();
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read:
      flags |= O_RDONLY;
      break;
    case Mode::ReadWriteExisting:
      flags |= O_RDWR;
      break;
    case Mode::CreateReadWrite:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
  }
  int fd = -1;
  do {
    fd = open(path.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return ToWindowsError(errno, mode == Mode::CreateReadWrite);
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return kErrorAccessDenied;
  }
  m_fd = fd;
  return 0;
}

void CFile::Close() {
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
}

std::size_t CFile::WriteAt(const void* data, std::size_t size, std::int64_t offset, int* error) {
  if (error != nullptr) *error = 0;
  if (m_fd < 0 || offset < 0) {
    if (error != nullptr) *error = kErrorAccessDenied;
    return 0;
  }
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(m_fd, bytes + done, size - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (error != nullptr) *error = n < 0 ? ToWindowsError(errno, false) : kErrorDiskFull;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t CFile::Read(void* data, std::size_t size) {
  if (m_fd < 0) return 0;
  for (;;) {
    const ssize_t n = read(m_fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? 0 : static_cast<std::size_t>(n);
  }
}

std::int64_t CFile::Size() const {
  struct stat st {};
  if (m_fd < 0 || fstat(m_fd, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool CFile::Truncate(std::int64_t size) {
  if (m_fd < 0 || size < 0) return false;
  int rc = 0;
  do {
    rc = ftruncate(m_fd, static_cast<off_t>(size));
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

bool CFile::Sync() { return m_fd >= 0 && fdatasync(m_fd) == 0; }

bool CanOpenForReading(const std::string& path) {
  CFile file;
  return file.Open(path, CFile::Mode::Read) == 0;
}

std::optional<std::int64_t> GetFileSize64(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::int64_t>(st.st_size);
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; }

int WindowsErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
    case ELOOP:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return kErrorAccessDenied;
    case ETXTBSY:
      return kErrorSharingViolation;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case ENAMETOOLONG:
      return kErrorFilenameTooLong;
    case EIO:
      return kErrorReadFault;
    case ENOEXEC:
    case ELIBBAD:
      return kErrorBadExeFormat;
    case ENOMEM:
    case EAGAIN:
      return kErrorNotEnoughMemory;
    case E2BIG:
    case EINVAL:
      return kErrorInvalidParameter;
    default:
      return kErrorGenFailure;
  }
}

bool MakeExecutable(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return chmod(path.c_str(), (st.st_mode & 07777) | S_IXUSR) == 0;
}

bool ReplaceFileAtomic(const std::string& path, std::string_view content) {
  const std::string temp = path + ".tmp";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, content) && fdatasync(fd) == 0;
  close(fd);
  if (!written || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  // The rename itself is durable only once the folder is.
  const int dir = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

}  // namespace cwplat
