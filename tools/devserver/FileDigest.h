// Size and MD5 of a served file, for configurations that name a package
// instead of copying its digest by hand ({md5:name}, {size:name}).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace devserver {

// Lower-case hex MD5 of the file, read in pieces; remembered until the file's
// size or modification time changes.
std::optional<std::string> FileMd5(const std::filesystem::path& file);
// Lower-case hex MD5 of bytes in memory (the banner service's signature).
std::string TextMd5(std::string_view text);

}  // namespace devserver
