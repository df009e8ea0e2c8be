#include "PathComponent.h"

#include <algorithm>

namespace FuntionImpl {

bool IsPlainPathComponent(std::string_view text) {
  if (text.empty() || text.size() > kMaxPathComponentBytes || text == "." || text == "..") return false;
  return std::none_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || c == '"' || byte < 0x20 || byte == 0x7F;
  });
}

}  // namespace FuntionImpl
