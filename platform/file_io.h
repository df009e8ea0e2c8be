// Files as the download engine uses them: one output file written at 64-bit
// offsets by several threads at once, small state files replaced atomically,
// and the size and removal of files by path. Errors are Windows error numbers
// (the values the program reports), mapped from errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cwplat {

// The Windows error numbers that file operations report.
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorPathNotFound = 3;
inline constexpr int kErrorTooManyOpenFiles = 4;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorGenFailure = 31;
// The file is held by another process. On Linux: a running executable cannot
// be opened for writing (ETXTBSY).
inline constexpr int kErrorSharingViolation = 32;
inline constexpr int kErrorReadFault = 30;
inline constexpr int kErrorDiskFull = 112;
inline constexpr int kErrorFilenameTooLong = 206;
inline constexpr int kErrorNotEnoughMemory = 8;
inline constexpr int kErrorInvalidParameter = 87;
inline constexpr int kErrorBadExeFormat = 193;

// The Windows error number for an errno value (a missing file is 2; callers
// that create a file report a missing folder, 3, themselves).
int WindowsErrorFromErrno(int err);

class CFile {
 public:
  enum class Mode {
    Read,               // existing file, read only ("rb")
    ReadWriteExisting,  // existing file, read and write, contents kept ("rb+")
    CreateReadWrite,    // created or emptied, read and write ("wb+")
  };

  CFile() = default;
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // 0 on success, else the error number; a file already open is closed first.
  int Open(const std::string& path, Mode mode);
  bool IsOpen() const { return m_fd >= 0; }
  void Close();

  // Writes size bytes at offset without moving any shared position, so that
  // threads may write different parts of the file at once. Returns the number
  // of bytes written: size, or fewer when an error stopped it (*error set).
  std::size_t WriteAt(const void* data, std::size_t size, std::int64_t offset, int* error = nullptr);
  // Reads from the current position; 0 at the end of the file or on an error.
  std::size_t Read(void* data, std::size_t size);
  // Current size in bytes, -1 when it cannot be read.
  std::int64_t Size() const;
  bool Truncate(std::int64_t size);
  // Data and size reach the disk.
  bool Sync();

 private:
  int m_fd = -1;
};

// True when the path names a file that can be opened for reading.
bool CanOpenForReading(const std::string& path);
// Full 64-bit size of the file at path; nothing when it cannot be read.
std::optional<std::int64_t> GetFileSize64(const std::string& path);
// Removes a file; true when it is gone afterwards (also when it never existed).
bool RemoveFile(const std::string& path);
// Lets the owner run the file (a downloaded program arrives without the
// execute bits). False when its mode cannot be changed.
bool MakeExecutable(const std::string& path);
// Replaces path with content so that a crash at any moment leaves either the
// old or the new file whole: write "<path>.tmp", flush it to disk, rename it
// over path, flush the folder. False (and the old file untouched) on failure.
bool ReplaceFileAtomic(const std::string& path, std::string_view content);

}  // namespace cwplat
