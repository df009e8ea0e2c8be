#include "DiagnosticLog.h"

#include <filesystem>
#include <fstream>

void CDiagnosticLog::Write(const char* operation, const std::string& message) const {
  if (m_path.empty()) return;
  std::string line = operation == nullptr ? std::string() : std::string(operation);
  line += ' ';
  const bool cut = message.size() > kMaxMessageBytes;
  line.append(message, 0, cut ? kMaxMessageBytes : message.size());
  if (cut) line += "...";
  // One entry stays one line whatever the services answered.
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  line += '\n';

  std::lock_guard<std::mutex> lock(m_mutex);
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(m_path, ec);
  const bool restart = !ec && size > kMaxFileBytes;
  std::ofstream out(m_path, std::ios::binary | (restart ? std::ios::trunc : std::ios::app));
  if (out) out << line;
}
