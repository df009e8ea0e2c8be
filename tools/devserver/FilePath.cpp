#include "FilePath.h"

#include <algorithm>
#include <string_view>

namespace devserver {
namespace {

constexpr std::size_t kMaxName = 4096;

bool SafeSegments(std::string_view name) {
  if (name.empty() || name.size() > kMaxName || name.front() == '/' || name.find('\0') != std::string_view::npos) {
    return false;
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find('/', start), name.size());
    const std::string_view segment = name.substr(start, end - start);
    if (segment.empty() || segment == "." || segment == "..") return false;
    start = end + 1;
  }
  return true;
}

bool Inside(const std::filesystem::path& root, const std::filesystem::path& file) {
  auto r = root.begin();
  auto f = file.begin();
  for (; r != root.end(); ++r, ++f) {
    if (f == file.end() || *r != *f) return false;
  }
  return f != file.end();
}

}  // namespace

PathResult ResolveUnderRoot(const std::filesystem::path& root, const std::string& name,
                            std::filesystem::path& file) {
  if (name.empty()) return PathResult::NotFound;
  if (!SafeSegments(name)) return PathResult::Forbidden;
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(root / name, ec);
  if (ec) return PathResult::NotFound;
  if (!Inside(root, real)) return PathResult::Forbidden;
  if (!std::filesystem::is_regular_file(real, ec) || ec) return PathResult::NotFound;
  file = real;
  return PathResult::Ok;
}

}  // namespace devserver
