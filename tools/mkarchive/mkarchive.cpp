// Packs folders into one plain zip archive, entries named by their path below
// their folder with '/' separators, in sorted order and with fixed time stamps
// so that the archive (and the executable that embeds it) is the same from one
// build to the next. Several roots merge into one tree (the source resources
// and the pictures rendered into the build tree); a name found in two roots is
// an error rather than a silent pick of one of them.
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Options {
  std::string out;
  std::vector<fs::path> roots;
  std::set<std::string> excluded;  // entry paths (files or folders) left out
};

int Usage(const char* argv0) {
  std::fprintf(stderr, "usage: %s [--exclude PATH]... <archive.zip> <folder>...\n", argv0);
  return 2;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--exclude") {
      if (++i == argc) return false;
      options.excluded.insert(fs::path(argv[i]).lexically_normal().generic_string());
    } else {
      positional.emplace_back(arg);
    }
  }
  if (positional.size() < 2) return false;
  options.out = positional.front();
  options.roots.assign(positional.begin() + 1, positional.end());
  return true;
}

// Collects the files below root into entries (entry name -> file), failing on
// a name that an earlier root already holds.
bool Collect(const fs::path& root, const std::set<std::string>& excluded, std::map<std::string, fs::path>& entries) {
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    std::fprintf(stderr, "mkarchive: %s is not a folder\n", root.c_str());
    return false;
  }
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string entry = fs::relative(it->path(), root).generic_string();
    if (excluded.contains(entry)) {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file()) continue;
    // Build files of the folders themselves are not resources.
    const std::string name = it->path().filename().string();
    if (name == "CMakeLists.txt" || name == "README.md") continue;
    const auto [known, added] = entries.emplace(entry, it->path());
    if (!added) {
      std::fprintf(stderr, "mkarchive: %s is in both %s and %s\n", entry.c_str(), known->second.c_str(),
                   it->path().c_str());
      return false;
    }
  }
  if (ec) {
    std::fprintf(stderr, "mkarchive: cannot read %s: %s\n", root.c_str(), ec.message().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return Usage(argv[0]);
  // A map keeps the entries sorted by name, whichever root they come from.
  std::map<std::string, fs::path> entries;
  for (const fs::path& root : options.roots) {
    if (!Collect(root, options.excluded, entries)) return 1;
  }

  std::error_code ec;
  fs::remove(options.out, ec);
  int err = 0;
  zip_t* zip = zip_open(options.out.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  if (zip == nullptr) {
    std::fprintf(stderr, "mkarchive: cannot create %s (libzip error %d)\n", options.out.c_str(), err);
    return 1;
  }
  for (const auto& [entry, file] : entries) {
    zip_source_t* src = zip_source_file(zip, file.c_str(), 0, -1);
    if (src == nullptr) {
      std::fprintf(stderr, "mkarchive: %s: %s\n", file.c_str(), zip_strerror(zip));
      zip_discard(zip);
      return 1;
    }
    zip_int64_t index = zip_file_add(zip, entry.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
      std::fprintf(stderr, "mkarchive: %s: %s\n", entry.c_str(), zip_strerror(zip));
      zip_source_free(src);
      zip_discard(zip);
      return 1;
    }
    // Fixed time stamps keep the archive reproducible.
    zip_file_set_mtime(zip, static_cast<zip_uint64_t>(index), 315532800, 0);
  }
  if (zip_close(zip) != 0) {
    std::fprintf(stderr, "mkarchive: cannot write %s: %s\n", options.out.c_str(), zip_strerror(zip));
    zip_discard(zip);
    return 1;
  }
  return 0;
}
