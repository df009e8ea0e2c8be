#include "SetupLog.h"

#include "TextEscape.h"
#include "platform/paths.h"

#include <cstdio>
#include <filesystem>

namespace sample {

bool SetupLog::Open(const std::string& path, std::string& error) {
  // Only '/' separates: a '\' is part of a Linux file name.
  const std::string folder = std::filesystem::path(path).parent_path().string();
  if (!folder.empty() && !cwplat::CreateDirectories(folder)) {
    error = "cannot create the log folder " + folder;
    return false;
  }
  m_file.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!m_file) {
    error = "cannot create the log file " + path;
    return false;
  }
  return true;
}

void SetupLog::Line(std::string_view text) {
  if (!m_file.is_open()) return;
  const cwplat::LocalTime t = cwplat::GetLocalTime();
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d   ", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
  m_file << stamp << Escape(text) << '\n';
  m_file.flush();
}

}  // namespace sample
