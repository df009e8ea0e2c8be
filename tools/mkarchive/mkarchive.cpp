// Packs a folder into a plain zip archive, entries named by their path below
// the folder with '/' separators, in sorted order so that the archive (and the
// executable that embeds it) is the same from one build to the next.
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <folder> <archive.zip>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  const std::string out = argv[2];
  std::vector<fs::path> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file()) {
      std::string name = it->path().filename().string();
      // Build files of the folder itself are not resources.
      if (name == "CMakeLists.txt" || name == "README.md") continue;
      files.push_back(it->path());
    }
  }
  if (ec) {
    std::fprintf(stderr, "mkarchive: cannot read %s: %s\n", argv[1], ec.message().c_str());
    return 1;
  }
  std::sort(files.begin(), files.end());

  fs::remove(out, ec);
  int err = 0;
  zip_t* zip = zip_open(out.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  if (zip == nullptr) {
    std::fprintf(stderr, "mkarchive: cannot create %s (libzip error %d)\n", out.c_str(), err);
    return 1;
  }
  for (const fs::path& file : files) {
    const std::string entry = fs::relative(file, root).generic_string();
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
    std::fprintf(stderr, "mkarchive: cannot write %s: %s\n", out.c_str(), zip_strerror(zip));
    zip_discard(zip);
    return 1;
  }
  return 0;
}
