// The file entry point of the code-signature check: the file is opened once
// and read at offsets (pread), so a replaced path cannot change the bytes
// under check half-way and a large installer is never loaded whole.
#include "platform/code_signature_parts.h"
#include "platform/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cwplat {
namespace {

class CFileSubject final : public sig::ISubject {
 public:
  CFileSubject(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}
  ~CFileSubject() override { close(m_fd); }
  CFileSubject(const CFileSubject&) = delete;
  CFileSubject& operator=(const CFileSubject&) = delete;

  std::uint64_t Size() const override { return m_size; }
  std::uint32_t ReadError() const override { return m_error; }

  bool ReadAt(std::uint64_t offset, void* data, std::size_t size) override {
    if (offset > m_size || size > m_size - offset) return false;
    auto* out = static_cast<unsigned char*>(data);
    while (size > 0) {
      const ssize_t n = pread(m_fd, out, size, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        // A file that shrank under us reads short: that is a read failure too.
        m_error = n < 0 ? static_cast<std::uint32_t>(WindowsErrorFromErrno(errno)) : kErrorReadFault;
        return false;
      }
      out += n;
      offset += static_cast<std::uint64_t>(n);
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int m_fd;
  std::uint64_t m_size;
  std::uint32_t m_error = 0;
};

CodeSignatureResult FileFailure(std::uint32_t error, const char* what) {
  CodeSignatureResult result;
  result.status = kTrustENoSignature;
  result.lastError = error;
  result.detail = what;
  return result;
}

}  // namespace

CodeSignatureResult VerifyCodeSignature(const std::string& path, const std::vector<std::string>& anchorsPem) {
  // O_NONBLOCK: a FIFO planted at the path must not block the open.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return FileFailure(static_cast<std::uint32_t>(WindowsErrorFromErrno(errno)), "the file cannot be opened");
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    const int err = errno;
    close(fd);
    return FileFailure(static_cast<std::uint32_t>(WindowsErrorFromErrno(err)), "the file cannot be read");
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    return FileFailure(kTrustESubjectFormUnknown, "not a regular file");
  }
  CFileSubject subject(fd, static_cast<std::uint64_t>(st.st_size));
  return sig::VerifySubject(subject, anchorsPem);
}

}  // namespace cwplat
