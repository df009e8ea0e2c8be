// Whole-file reads with a ceiling, for the small text files the system
// describes itself with (/proc, sysfs, /etc). A file that grows past the
// ceiling is read up to it and reported as truncated instead of being slurped.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace cwplat {

// Up to maxBytes of a regular file. Nothing when it cannot be opened, is not a
// regular file (a FIFO or device would block or never end) or a read fails.
// *truncated (when given) tells whether the file held more than maxBytes.
std::optional<std::string> ReadFileBounded(const std::string& path, std::size_t maxBytes,
                                           bool* truncated = nullptr);

}  // namespace cwplat
