#include "platform/version_info.h"
#include "support/TestSupport.h"

#include <elf.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

template <typename T>
T Order(T v, bool big) {
  if (big == (std::endian::native == std::endian::big)) return v;
  T out{};
  auto* from = reinterpret_cast<const unsigned char*>(&v);
  auto* to = reinterpret_cast<unsigned char*>(&out);
  for (std::size_t i = 0; i < sizeof(T); ++i) to[i] = from[sizeof(T) - 1 - i];
  return out;
}

// A literal with its embedded NULs (the terminating one left out).
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// What a test may break in the file it builds.
struct Damage {
  std::uint64_t sectionSize = 0;      // 0: the real size
  std::uint64_t sectionOffset = 0;    // 0: the real offset
  std::uint32_t nameOffset = 0;       // 0: the real name
  std::uint16_t namesIndex = 0;       // 0: the real index
  bool extendedNumbering = false;     // counts kept in section 0
  std::uint32_t sectionType = SHT_PROGBITS;
};

// A minimal ELF file: header, section names, the version texts, three
// section headers (null, names, cw_version).
template <typename Ehdr, typename Shdr>
std::string BuildElf(bool big, unsigned char elfClass, const std::string& texts, const Damage& damage = {}) {
  const std::string names = Bytes("\0.shstrtab\0cw_version\0");
  const std::uint64_t namesAt = sizeof(Ehdr);
  const std::uint64_t textsAt = namesAt + names.size();
  const std::uint64_t tableAt = textsAt + texts.size();

  Ehdr eh{};
  std::memcpy(eh.e_ident, ELFMAG, SELFMAG);
  eh.e_ident[EI_CLASS] = elfClass;
  eh.e_ident[EI_DATA] = big ? ELFDATA2MSB : ELFDATA2LSB;
  eh.e_ident[EI_VERSION] = EV_CURRENT;
  eh.e_shoff = Order(static_cast<decltype(eh.e_shoff)>(tableAt), big);
  eh.e_shentsize = Order(static_cast<decltype(eh.e_shentsize)>(sizeof(Shdr)), big);
  eh.e_shnum = Order(static_cast<decltype(eh.e_shnum)>(damage.extendedNumbering ? 0 : 3), big);
  eh.e_shstrndx = Order(static_cast<decltype(eh.e_shstrndx)>(
                            damage.extendedNumbering ? SHN_XINDEX : (damage.namesIndex ? damage.namesIndex : 1)),
                        big);

  Shdr sh[3]{};
  if (damage.extendedNumbering) {
    sh[0].sh_size = Order(static_cast<decltype(sh[0].sh_size)>(3), big);
    sh[0].sh_link = Order(static_cast<decltype(sh[0].sh_link)>(1), big);
  }
  sh[1].sh_name = Order(static_cast<decltype(sh[1].sh_name)>(1), big);
  sh[1].sh_type = Order(static_cast<decltype(sh[1].sh_type)>(SHT_STRTAB), big);
  sh[1].sh_offset = Order(static_cast<decltype(sh[1].sh_offset)>(namesAt), big);
  sh[1].sh_size = Order(static_cast<decltype(sh[1].sh_size)>(names.size()), big);
  sh[2].sh_name = Order(static_cast<decltype(sh[2].sh_name)>(damage.nameOffset ? damage.nameOffset : 11), big);
  sh[2].sh_type = Order(static_cast<decltype(sh[2].sh_type)>(damage.sectionType), big);
  sh[2].sh_offset =
      Order(static_cast<decltype(sh[2].sh_offset)>(damage.sectionOffset ? damage.sectionOffset : textsAt), big);
  sh[2].sh_size =
      Order(static_cast<decltype(sh[2].sh_size)>(damage.sectionSize ? damage.sectionSize : texts.size()), big);

  std::string file(reinterpret_cast<const char*>(&eh), sizeof(eh));
  file += names;
  file += texts;
  file.append(reinterpret_cast<const char*>(sh), sizeof(sh));
  return file;
}

const std::string kTexts = Bytes("FileVersion=2.3.4.5\0ProductName=Demo\0");

class VersionInfo : public ::testing::Test {
 protected:
  std::optional<std::map<std::string, std::string>> Read(const std::string& content) {
    const std::string path = dir / "file";
    cwtest::WriteFile(path, content);
    return cwplat::ReadVersionInfo(path);
  }
  std::string Elf64(const std::string& texts, const Damage& d = {}) {
    return BuildElf<Elf64_Ehdr, Elf64_Shdr>(false, ELFCLASS64, texts, d);
  }
  cwtest::TempDir dir;
};

TEST_F(VersionInfo, ReadsBothClassesAndByteOrders) {
  for (const auto& file : {Elf64(kTexts), BuildElf<Elf64_Ehdr, Elf64_Shdr>(true, ELFCLASS64, kTexts),
                           BuildElf<Elf32_Ehdr, Elf32_Shdr>(false, ELFCLASS32, kTexts),
                           BuildElf<Elf32_Ehdr, Elf32_Shdr>(true, ELFCLASS32, kTexts)}) {
    const auto info = Read(file);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->at("FileVersion"), "2.3.4.5");
    EXPECT_EQ(info->at("ProductName"), "Demo");
  }
  Damage extended;
  extended.extendedNumbering = true;
  ASSERT_TRUE(Read(Elf64(kTexts, extended)).has_value());
}

TEST_F(VersionInfo, SkipsMalformedTextsAndKeepsTheFirstOfRepeatedKeys) {
  const auto info = Read(Elf64(Bytes("junk\0=novalue\0\0A=1\0A=2\0Empty=\0Last=x")));
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->size(), 3u);
  EXPECT_EQ(info->at("A"), "1");
  EXPECT_EQ(info->at("Empty"), "");
  EXPECT_EQ(info->at("Last"), "x");  // no final NUL
}

TEST_F(VersionInfo, RejectsDamagedFiles) {
  Damage tooBig;
  tooBig.sectionSize = cwplat::kMaxVersionSectionBytes + 1;
  Damage outside;
  outside.sectionOffset = 1u << 30;
  Damage badName;
  badName.nameOffset = 9999;
  Damage badIndex;
  badIndex.namesIndex = 7;
  Damage noBits;
  noBits.sectionType = SHT_NOBITS;
  for (const Damage& d : {tooBig, outside, badName, badIndex, noBits}) EXPECT_FALSE(Read(Elf64(kTexts, d)));

  const std::string good = Elf64(kTexts);
  for (std::size_t cut : {std::size_t{0}, std::size_t{4}, std::size_t{20}, sizeof(Elf64_Ehdr), good.size() - 1})
    EXPECT_FALSE(Read(good.substr(0, cut))) << cut;
  std::string wrongMagic = good;
  wrongMagic[1] = 'X';
  EXPECT_FALSE(Read(wrongMagic));
  std::string wrongClass = good;
  wrongClass[EI_CLASS] = 9;
  EXPECT_FALSE(Read(wrongClass));
  EXPECT_FALSE(cwplat::ReadVersionInfo(dir / "missing"));
  EXPECT_FALSE(cwplat::ReadVersionInfo(dir.path()));  // a folder
}

// Random bytes over fields the reader never looks at change nothing; over the
// texts (their '=' and NUL delimiters kept) they change only what is read;
// anywhere at all they may make the file unreadable, but whatever is read is a
// "key=value" text of the file itself.
TEST_F(VersionInfo, DamagedBytesNeverBreakTheReader) {
  const std::string good = BuildElf<Elf32_Ehdr, Elf32_Shdr>(true, ELFCLASS32, kTexts);
  const std::size_t textsAt = sizeof(Elf32_Ehdr) + Bytes("\0.shstrtab\0cw_version\0").size();
  const std::size_t tableAt = textsAt + kTexts.size();
  std::vector<std::size_t> unused, text, anywhere;
  const auto add = [](std::vector<std::size_t>& to, std::size_t from, std::size_t end) {
    for (std::size_t i = from; i < end; ++i) to.push_back(i);
  };
  // Ident padding to e_shoff, e_flags to e_shentsize, section 0, and of the
  // others sh_flags, sh_addr, sh_info, sh_addralign, sh_entsize.
  add(unused, EI_OSABI, offsetof(Elf32_Ehdr, e_shoff));
  add(unused, offsetof(Elf32_Ehdr, e_flags), offsetof(Elf32_Ehdr, e_shentsize));
  add(unused, tableAt, tableAt + sizeof(Elf32_Shdr));
  for (std::size_t at = tableAt + sizeof(Elf32_Shdr); at < good.size(); at += sizeof(Elf32_Shdr)) {
    add(unused, at + offsetof(Elf32_Shdr, sh_flags), at + offsetof(Elf32_Shdr, sh_offset));
    add(unused, at + offsetof(Elf32_Shdr, sh_info), at + sizeof(Elf32_Shdr));
  }
  for (std::size_t i = 0; i < kTexts.size(); ++i) {
    if (kTexts[i] != '=' && kTexts[i] != '\0') text.push_back(textsAt + i);
  }
  add(anywhere, 0, good.size());

  unsigned seed = 7;
  const auto damage = [&seed, &good](const std::vector<std::size_t>& where, bool keepDelimiters) {
    std::string file = good;
    for (int flips = 0; flips < 4; ++flips) {
      seed = seed * 1103515245u + 12345u;
      char byte = static_cast<char>(seed >> 24);
      if (keepDelimiters && (byte == '=' || byte == '\0')) byte = 'x';
      file[where[(seed >> 8) % where.size()]] = byte;
    }
    return file;
  };
  for (int round = 0; round < 100; ++round) {
    const auto info = Read(damage(unused, false));
    ASSERT_TRUE(info.has_value()) << round;
    EXPECT_EQ(info->size(), 2u);
    EXPECT_EQ(info->at("ProductName"), "Demo");

    const std::string file = damage(text, true);
    const auto texts = Read(file);
    ASSERT_TRUE(texts.has_value()) << round;
    // "FileVersion=2.3.4.5\0ProductName=Demo\0": the keys differ in all 11
    // places, so four flips cannot make them one.
    const std::map<std::string, std::string> expected = {{file.substr(textsAt, 11), file.substr(textsAt + 12, 7)},
                                                         {file.substr(textsAt + 20, 11), file.substr(textsAt + 32, 4)}};
    EXPECT_EQ(*texts, expected) << round;
  }
  for (int round = 0; round < 300; ++round) {
    const std::string file = damage(anywhere, false);
    const auto info = Read(file);
    for (const auto& [key, value] : info.value_or(std::map<std::string, std::string>{})) {
      const std::string entry = key + "=" + value;
      EXPECT_TRUE(!key.empty() && key.find('=') == std::string::npos && entry.find('\0') == std::string::npos &&
                  file.find(entry) != std::string::npos)
          << round << ": " << entry;
    }
  }
}

}  // namespace
