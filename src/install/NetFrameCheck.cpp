#include "NetFrameCheck.h"

#include "platform/log.h"
#include "platform/read_bounded.h"
#include "platform/registry.h"

#include <array>
#include <string_view>

namespace FuntionImpl {
namespace {

// The file is a few lines written by the product's packager; anything larger
// is not read past this.
constexpr std::size_t kMaxFileBytes = 64 * 1024;
// Lines are read with their line end; longer ones are not lines of this format.
constexpr std::size_t kMaxLine = 1024;
constexpr std::size_t kMinLine = 3;
constexpr int kMaxVersionPart = 999999999;

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Leading decimal digits of a part (after blanks); 0 when it has none.
int PartValue(std::string_view part) {
  part = Trim(part);
  int n = 0;
  for (char c : part) {
    if (c < '0' || c > '9') break;
    n = n > (kMaxVersionPart - (c - '0')) / 10 ? kMaxVersionPart : n * 10 + (c - '0');
  }
  return n;
}

std::array<int, 4> SplitVersion(std::string_view v) {
  std::array<int, 4> parts{};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::size_t dot = v.find('.');
    parts[i] = PartValue(v.substr(0, dot));
    if (dot == std::string_view::npos) break;
    v.remove_prefix(dot + 1);
  }
  return parts;
}

}  // namespace

std::string ParseNeededNetFrameVersion(const std::string& text) {
  const std::string_view all(text);
  bool inSettings = false;
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t end = all.find('\n', pos);
    end = end == std::string_view::npos ? all.size() : end + 1;  // keep the line end
    const std::string_view line = all.substr(pos, end - pos);
    pos = end;
    if (line.size() > kMaxLine || line.size() < kMinLine) continue;
    if (line.find("[Settings]") != std::string_view::npos) {
      inSettings = true;
    } else if (line.find("[Text]") != std::string_view::npos) {
      break;
    } else if (inSettings) {
      const std::size_t eq = line.find('=');
      if (eq == 0 || eq == std::string_view::npos) continue;
      if (Trim(line.substr(0, eq)) == "NetFrameworkVersion") return std::string(Trim(line.substr(eq + 1)));
    }
  }
  return {};
}

int CompareFourPartVersions(const std::string& a, const std::string& b) {
  const auto pa = SplitVersion(a), pb = SplitVersion(b);
  for (std::size_t i = 0; i < pa.size(); ++i) {
    if (pa[i] != pb[i]) return pa[i] < pb[i] ? -1 : 1;
  }
  return 0;
}

bool WillShowNetFrameCheck(const std::string& folder) {
  bool truncated = false;
  auto text = cwplat::ReadFileBounded(folder + "/NetFrameCheck.db", kMaxFileBytes, &truncated);
  if (!text) return false;
  // A cut-off last line is not trusted.
  if (truncated) text->erase(text->rfind('\n') == std::string::npos ? 0 : text->rfind('\n') + 1);
  const std::string needed = ParseNeededNetFrameVersion(*text);
  if (needed.empty()) return false;

  std::string installed;
  if (!cwplat::RegGetString(cwplat::RegHive::LocalMachine, "SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Client",
                            "Version", installed)) {
    installed.clear();
  }
  CWLOG << " LocalNetFrame: " << installed << ", NeedNetFrame: " << needed;
  return CompareFourPartVersions(installed, needed) < 0;
}

}  // namespace FuntionImpl
