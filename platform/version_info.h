// Version information embedded in an executable, the counterpart of a
// Windows version resource. The build places NUL-terminated "Key=Value" texts
// (FileVersion, ProductVersion, ProductName, FileDescription, LegalCopyright,
// Translation) in an ELF section named "cw_version"; this reads them from the
// file without running it.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace cwplat {

inline constexpr const char* kVersionSectionName = "cw_version";
// A version section is a few hundred bytes; a larger one is not ours.
inline constexpr std::size_t kMaxVersionSectionBytes = 64 * 1024;

// The texts of the version section of an ELF file (32- or 64-bit, either byte
// order). Nothing for a file that cannot be read, is not ELF, is truncated or
// malformed, or has no such section. Texts without '=' or with an empty key
// are skipped; of repeated keys the first counts.
std::optional<std::map<std::string, std::string>> ReadVersionInfo(const std::string& path);

}  // namespace cwplat
