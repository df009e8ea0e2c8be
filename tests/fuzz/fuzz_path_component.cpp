// A remote name that becomes one path component (product executable, version,
// product folder). Whatever passes must stay a single name inside its folder.
#include "PathComponent.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!FuntionImpl::IsPlainPathComponent(text)) return 0;

  if (text.empty() || text.size() > FuntionImpl::kMaxPathComponentBytes || text == "." || text == "..") std::abort();
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || c == '"' || byte < 0x20 || byte == 0x7F) std::abort();
  }
  // Joined to a folder and normalised, it is still that folder's own entry.
  const std::filesystem::path folder("/install/Quorla");
  const std::filesystem::path joined = (folder / text).lexically_normal();
  if (joined.parent_path() != folder || joined.filename() != text) std::abort();
  return 0;
}
