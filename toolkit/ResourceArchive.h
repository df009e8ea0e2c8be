// The toolkit's resource archive: a plain zip held in memory (the bytes the
// program embeds), from which layouts, pictures and language files are read
// by path. Paths are accepted with '\' or '/' ("configure\\configure.xml").
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct zip;

namespace cwui {

class CResourceArchive {
 public:
  // Entries larger than this are refused: nothing in a skin is that big, and a
  // corrupt header must not make us allocate gigabytes.
  static constexpr std::uint64_t kMaxEntryBytes = 64ull * 1024 * 1024;

  CResourceArchive() = default;
  ~CResourceArchive();
  CResourceArchive(const CResourceArchive&) = delete;
  CResourceArchive& operator=(const CResourceArchive&) = delete;

  // Opens the archive over the given bytes (copied). False, with the reason in
  // LastError(), when the bytes are not a readable zip.
  bool Open(const void* data, std::size_t size);
  bool IsOpen() const;

  // The entry's bytes, or nothing when the archive is not open, the entry does
  // not exist, is too large, or fails to decompress.
  std::optional<std::string> Read(const std::string& path) const;
  bool Contains(const std::string& path) const;

  const std::string& LastError() const { return m_lastError; }

  // The process-wide archive the program hands to the toolkit at start-up.
  static CResourceArchive& Instance();

 private:
  static std::string Normalize(const std::string& path);

  std::vector<unsigned char> m_bytes;
  zip* m_zip = nullptr;
  mutable std::mutex m_mutex;  // libzip archives are not safe for concurrent reads
  std::string m_lastError;
};

}  // namespace cwui
