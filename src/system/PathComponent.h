// Remote texts that become one component of a local path: the product's
// executable name, the version in the package's file name, the product's
// folder name. Such a text must name a file, never reach out of its folder.
#pragma once

#include <cstddef>
#include <string_view>

namespace FuntionImpl {

// The longest name a Linux file system takes (NAME_MAX).
inline constexpr std::size_t kMaxPathComponentBytes = 255;

// A plain file name: 1 to kMaxPathComponentBytes bytes, no separator of
// either kind ('/' or '\'), not "." or "..", no control character (below
// 0x20, or 0x7F) and no quotation mark.
bool IsPlainPathComponent(std::string_view text);

}  // namespace FuntionImpl
