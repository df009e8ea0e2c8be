// Collects the program's log lines while it lives, for tests that check what
// was logged.
#pragma once

#include <string>
#include <vector>

namespace cwtest {

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> lines() const;
  // True when some line ends with `text` (messages carry the caller's name first).
  bool has(const std::string& text) const;
  size_t count(const std::string& text) const;
  void clear();
};

}  // namespace cwtest
