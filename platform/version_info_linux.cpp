#include "platform/version_info.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace cwplat {
namespace {

// Section headers and names beyond these are not a program we built.
constexpr std::uint64_t kMaxSections = 65536;
constexpr std::uint64_t kMaxNameTableBytes = 1024 * 1024;

class ElfFile {
 public:
  explicit ElfFile(const std::string& path) {
    m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (m_fd >= 0 && fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode)) m_size = static_cast<std::uint64_t>(st.st_size);
  }
  ~ElfFile() {
    if (m_fd >= 0) close(m_fd);
  }
  ElfFile(const ElfFile&) = delete;
  ElfFile& operator=(const ElfFile&) = delete;

  std::uint64_t size() const { return m_size; }

  // Reads exactly n bytes at offset; false when they are not all inside the file.
  bool ReadAt(void* out, std::uint64_t n, std::uint64_t offset) const {
    if (offset > m_size || n > m_size - offset) return false;
    auto* p = static_cast<char*>(out);
    while (n > 0) {
      const ssize_t got = pread(m_fd, p, n, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      p += got;
      n -= static_cast<std::uint64_t>(got);
      offset += static_cast<std::uint64_t>(got);
    }
    return true;
  }

 private:
  int m_fd = -1;
  std::uint64_t m_size = 0;
};

template <typename T>
T Order(T v, bool swap) {
  if (!swap) return v;
  if constexpr (sizeof(T) == 2) return static_cast<T>(__builtin_bswap16(v));
  if constexpr (sizeof(T) == 4) return static_cast<T>(__builtin_bswap32(v));
  if constexpr (sizeof(T) == 8) return static_cast<T>(__builtin_bswap64(v));
  return v;
}

struct Section {
  std::uint32_t name = 0;
  std::uint32_t type = 0;
  std::uint32_t link = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

template <typename Ehdr, typename Shdr>
class SectionReader {
 public:
  SectionReader(const ElfFile& file, bool swap) : m_file(file), m_swap(swap) {}

  std::optional<std::string> Find(std::string_view wanted) {
    Ehdr eh;
    if (!m_file.ReadAt(&eh, sizeof(eh), 0)) return std::nullopt;
    m_tableOffset = Order(eh.e_shoff, m_swap);
    m_entrySize = Order(eh.e_shentsize, m_swap);
    std::uint64_t count = Order(eh.e_shnum, m_swap);
    std::uint32_t namesIndex = Order(eh.e_shstrndx, m_swap);
    if (m_tableOffset == 0 || m_entrySize < sizeof(Shdr)) return std::nullopt;
    // Extended numbering keeps the real counts in section 0.
    Section first;
    if (!Read(0, first)) return std::nullopt;
    if (count == 0) count = first.size;
    if (namesIndex == SHN_XINDEX) namesIndex = first.link;
    if (count == 0 || count > kMaxSections || namesIndex >= count) return std::nullopt;
    if (count * m_entrySize > m_file.size() - m_tableOffset) return std::nullopt;

    Section names;
    if (!Read(namesIndex, names) || names.type != SHT_STRTAB || names.size > kMaxNameTableBytes) return std::nullopt;
    std::string nameTable(names.size, '\0');
    if (!m_file.ReadAt(nameTable.data(), names.size, names.offset)) return std::nullopt;

    for (std::uint64_t i = 1; i < count; ++i) {
      Section s;
      if (!Read(i, s)) return std::nullopt;
      if (s.name >= nameTable.size()) continue;
      const std::size_t end = nameTable.find('\0', s.name);
      if (end == std::string::npos || std::string_view(nameTable).substr(s.name, end - s.name) != wanted) continue;
      if (s.type == SHT_NOBITS || s.size > kMaxVersionSectionBytes) return std::nullopt;
      std::string data(s.size, '\0');
      if (!m_file.ReadAt(data.data(), s.size, s.offset)) return std::nullopt;
      return data;
    }
    return std::nullopt;
  }

 private:
  bool Read(std::uint64_t index, Section& out) const {
    Shdr sh;
    if (!m_file.ReadAt(&sh, sizeof(sh), m_tableOffset + index * m_entrySize)) return false;
    out.name = Order(sh.sh_name, m_swap);
    out.type = Order(sh.sh_type, m_swap);
    out.link = Order(sh.sh_link, m_swap);
    out.offset = Order(sh.sh_offset, m_swap);
    out.size = Order(sh.sh_size, m_swap);
    return true;
  }

  const ElfFile& m_file;
  const bool m_swap;
  std::uint64_t m_tableOffset = 0;
  std::uint64_t m_entrySize = 0;
};

std::map<std::string, std::string> ParseTexts(std::string_view data) {
  std::map<std::string, std::string> texts;
  while (!data.empty()) {
    const std::size_t end = data.find('\0');
    const std::string_view text = data.substr(0, end);
    data = end == std::string_view::npos ? std::string_view() : data.substr(end + 1);
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0) continue;
    texts.emplace(std::string(text.substr(0, eq)), std::string(text.substr(eq + 1)));
  }
  return texts;
}

}  // namespace

std::optional<std::map<std::string, std::string>> ReadVersionInfo(const std::string& path) {
  const ElfFile file(path);
  unsigned char ident[EI_NIDENT];
  if (!file.ReadAt(ident, sizeof(ident), 0) || std::memcmp(ident, ELFMAG, SELFMAG) != 0 ||
      ident[EI_VERSION] != EV_CURRENT)
    return std::nullopt;
  if (ident[EI_DATA] != ELFDATA2LSB && ident[EI_DATA] != ELFDATA2MSB) return std::nullopt;
  const bool fileBig = ident[EI_DATA] == ELFDATA2MSB;
  const bool swap = fileBig != (std::endian::native == std::endian::big);

  std::optional<std::string> data;
  if (ident[EI_CLASS] == ELFCLASS64) {
    data = SectionReader<Elf64_Ehdr, Elf64_Shdr>(file, swap).Find(kVersionSectionName);
  } else if (ident[EI_CLASS] == ELFCLASS32) {
    data = SectionReader<Elf32_Ehdr, Elf32_Shdr>(file, swap).Find(kVersionSectionName);
  }
  if (!data) return std::nullopt;
  return ParseTexts(*data);
}

}  // namespace cwplat
