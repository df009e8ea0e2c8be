// Maps a name from a URL to a file inside the served folder, and nowhere else.
#pragma once

#include <filesystem>
#include <string>

namespace devserver {

enum class PathResult { Ok, NotFound, Forbidden };

// `root` must be canonical. `name` is the decoded path below the mount point.
// Refuses absolute names, empty, "." and ".." segments, NUL bytes, and names
// that lead (through symbolic links) outside the root; only regular files are
// served.
PathResult ResolveUnderRoot(const std::filesystem::path& root, const std::string& name,
                            std::filesystem::path& file);

}  // namespace devserver
