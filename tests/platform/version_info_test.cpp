#include "platform/version_info.h"
#include "support/TestSupport.h"

#include <elf.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

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

TEST_F(VersionInfo, DamagedBytesNeverBreakTheReader) {
  const std::string good = BuildElf<Elf32_Ehdr, Elf32_Shdr>(true, ELFCLASS32, kTexts);
  unsigned seed = 7;
  for (int round = 0; round < 300; ++round) {
    std::string file = good;
    for (int flips = 0; flips < 4; ++flips) {
      seed = seed * 1103515245u + 12345u;
      file[(seed >> 8) % file.size()] = static_cast<char>(seed >> 24);
    }
    const auto info = Read(file);
    if (info) {
      EXPECT_LE(info->size(), 2u);
    }
  }
}

}  // namespace
