// The transport's own log file: one line per call, the operation's name and
// then the message. Safe to call from several threads.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

class CDiagnosticLog {
 public:
  // Past this size the file starts over, so it never fills the disk.
  static constexpr std::uintmax_t kMaxFileBytes = 8 * 1024 * 1024;
  // A longer message is cut here (with "...").
  static constexpr std::size_t kMaxMessageBytes = 16 * 1024;

  // An empty path writes nothing.
  explicit CDiagnosticLog(std::string path) : m_path(std::move(path)) {}

  void Write(const char* operation, const std::string& message) const;
  const std::string& path() const { return m_path; }

 private:
  mutable std::mutex m_mutex;
  const std::string m_path;
};
