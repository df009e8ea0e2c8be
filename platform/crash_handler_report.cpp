// Reading a crash report back: only its "log:" lines, from the header (before
// "[registers]") and the trailer (after "[end of maps]"), so that nothing in
// the backtrace or the memory map can pass for one.
#include "platform/crash_handler.h"

#include <fstream>

namespace cwplat {
namespace {

constexpr const char* kFirstLine = "CW crash report 1";
constexpr std::string_view kLogTag = "log: ";

// One line of at most `limit` bytes; the rest of a longer line is skipped.
// False at the end of the file or of the byte budget.
bool NextLine(std::istream& in, std::size_t& budget, std::size_t limit, std::string& line) {
  line.clear();
  std::streambuf* buffer = in.rdbuf();
  bool any = false;
  while (budget > 0) {
    const int c = buffer->sbumpc();
    if (c == std::char_traits<char>::eof()) return any;
    --budget;
    any = true;
    if (c == '\n') return true;
    if (line.size() < limit) line.push_back(static_cast<char>(c));
  }
  return any;
}

}  // namespace

std::vector<std::string> ReadCrashDumpLogLines(const std::string& dumpPath) {
  std::vector<std::string> lines;
  std::ifstream in(dumpPath, std::ios::binary);
  if (!in) return lines;
  std::size_t budget = kMaxCrashDumpBytes;
  std::string line;
  if (!NextLine(in, budget, kMaxCrashLogLineBytes, line) || line != kFirstLine) return lines;

  enum { Header, Body, Trailer } part = Header;
  while (lines.size() < kMaxCrashLogLines && NextLine(in, budget, kMaxCrashLogLineBytes + kLogTag.size(), line)) {
    if (part == Header && line == "[registers]") {
      part = Body;
    } else if (part == Body && line == "[end of maps]") {
      part = Trailer;
    } else if (part != Body && line.compare(0, kLogTag.size(), kLogTag) == 0) {
      lines.push_back(line.substr(kLogTag.size()));
    }
  }
  return lines;
}

}  // namespace cwplat
