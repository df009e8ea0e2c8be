#include "platform/sysinfo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using cwplat::LanguageIdFromLocale;
using cwplat::OsPrettyNameFromText;
using cwplat::RegionFromLocale;

TEST(OsRelease, PrettyNameThenNameThenLinux) {
  EXPECT_EQ(OsPrettyNameFromText("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(OsPrettyNameFromText("# comment\r\nNAME='Arch Linux'\r\n"), "Arch Linux");
  EXPECT_EQ(OsPrettyNameFromText("NAME=Gentoo\nPRETTY_NAME=\"\"\n"), "Gentoo");
  EXPECT_EQ(OsPrettyNameFromText("ID=x\nVERSION=1\n"), "Linux");
  EXPECT_EQ(OsPrettyNameFromText(""), "Linux");
  EXPECT_EQ(OsPrettyNameFromText("PRETTY_NAME=\"Say \\\"hi\\\" \\\\ now\"\n"), "Say \"hi\" \\ now");
  EXPECT_EQ(OsPrettyNameFromText("PRETTY_NAME=\"unterminated\n"), "unterminated");
  EXPECT_EQ(OsPrettyNameFromText(std::string("PRETTY_NAME=\"a\tb\x01\x7f" "c\"")), "abc");
  EXPECT_EQ(OsPrettyNameFromText("PRETTY_NAME=" + std::string(5000, 'x')).size(), 256u);
}

// os-release is shell syntax: the shell's own reading of this system's file
// (same file order and fallbacks), and the kernel's host name.
TEST(OsRelease, ThisSystemAsTheShellAndTheKernelSeeIt) {
  const std::string shell = cwtest::CommandOutput(
      "unset PRETTY_NAME NAME; for f in /etc/os-release /usr/lib/os-release; do "
      "if [ -r \"$f\" ]; then . \"$f\"; break; fi; done; echo \"${PRETTY_NAME:-${NAME:-Linux}}\"");
  ASSERT_FALSE(shell.empty());
  EXPECT_EQ(cwplat::GetOsPrettyName(), shell);
  EXPECT_EQ(cwplat::GetComputerName(), cwtest::CommandOutput("uname -n"));
}

TEST(Bitness, MachineNamesAndThisMachine) {
  for (const char* m : {"x86_64", "aarch64", "ppc64le", "s390x", "riscv64", "loongarch64", "mips64"})
    EXPECT_TRUE(cwplat::IsMachine64Bit(m)) << m;
  for (const char* m : {"i686", "i386", "armv7l", "armv6l", "mips", "s390", ""})
    EXPECT_FALSE(cwplat::IsMachine64Bit(m)) << m;
  const std::string machine = cwtest::CommandOutput("uname -m");
  const std::optional<bool> is64 = cwtest::MachineIs64Bit(machine);
  ASSERT_TRUE(is64.has_value()) << "uname -m names a machine the test's list lacks: " << machine;
  EXPECT_EQ(cwplat::IsMachine64Bit(machine), *is64);
  EXPECT_EQ(cwplat::Is64BitOS(), *is64);
}

TEST(Locale, LanguageAndTerritoryToLanguageId) {
  EXPECT_EQ(LanguageIdFromLocale("en_US.UTF-8"), 0x0409);
  EXPECT_EQ(LanguageIdFromLocale("en_GB.UTF-8@euro"), 0x0809);
  EXPECT_EQ(LanguageIdFromLocale("zh_CN.GB18030"), 0x0804);
  EXPECT_EQ(LanguageIdFromLocale("zh_TW.UTF-8"), 0x0404);
  EXPECT_EQ(LanguageIdFromLocale("zh_HK"), 0x0c04);
  EXPECT_EQ(LanguageIdFromLocale("zh_SG"), 0x1004);
  EXPECT_EQ(LanguageIdFromLocale("zh_MO"), 0x1404);
  EXPECT_EQ(LanguageIdFromLocale("pt_BR"), 0x0416);
  EXPECT_EQ(LanguageIdFromLocale("pt_PT"), 0x0816);
  EXPECT_EQ(LanguageIdFromLocale("pt-PT"), 0x0816);
  EXPECT_EQ(LanguageIdFromLocale("DE_at.utf8"), 0x0c07);
  EXPECT_EQ(LanguageIdFromLocale("en_029"), 0x2409);
  EXPECT_EQ(LanguageIdFromLocale("es_419.UTF-8"), 0x580a);
  EXPECT_EQ(LanguageIdFromLocale("nb_NO.UTF-8"), 0x0414);
}

TEST(Locale, ModifiersAndCodesetsPickVariants) {
  EXPECT_EQ(LanguageIdFromLocale("sr_RS"), 0x281a);
  EXPECT_EQ(LanguageIdFromLocale("sr_RS.UTF-8@latin"), 0x241a);
  EXPECT_EQ(LanguageIdFromLocale("sr_ME@latin"), 0x2c1a);
  EXPECT_EQ(LanguageIdFromLocale("sr@latin"), 0x241a);
  EXPECT_EQ(LanguageIdFromLocale("ca_ES@valencia"), 0x0803);
  EXPECT_EQ(LanguageIdFromLocale("uz_UZ@cyrillic"), 0x0843);
  EXPECT_EQ(LanguageIdFromLocale("es_ES@traditional"), 0x040a);
  EXPECT_EQ(LanguageIdFromLocale("ko_KR.JOHAB"), 0x0812);
  EXPECT_EQ(LanguageIdFromLocale("ko_KR.UTF-8"), 0x0412);
}

TEST(Locale, BareOrUnknownFallsBackSensibly) {
  EXPECT_EQ(LanguageIdFromLocale("de"), 0x0407);
  EXPECT_EQ(LanguageIdFromLocale("zh"), 0x0804);
  EXPECT_EQ(LanguageIdFromLocale("de_BR.UTF-8"), 0x0407);  // German outside the table's countries
  EXPECT_EQ(LanguageIdFromLocale("fr_XYZW"), 0x040c);       // malformed territory ignored
  for (const char* l : {"", "C", "POSIX", "C.UTF-8", "xx_YY", "d", "deutsch", "_DE", "\xff\xfe", "@latin", "."})
    EXPECT_EQ(LanguageIdFromLocale(l), cwplat::kLangIdEnglishUS) << l;
}

TEST(Locale, RegionIsTheTwoLetterTerritory) {
  EXPECT_EQ(RegionFromLocale("en_GB.UTF-8"), "GB");
  EXPECT_EQ(RegionFromLocale("pt_br"), "BR");
  EXPECT_EQ(RegionFromLocale("es_419"), "");
  EXPECT_EQ(RegionFromLocale("de"), "");
  EXPECT_EQ(RegionFromLocale("C.UTF-8"), "");
}

TEST(Locale, EveryRowIsUniqueAndReachable) {
  std::set<std::tuple<std::string_view, std::string_view, std::string_view>> rows;
  for (const auto& e : cwplat::LocaleLanguageIds()) {
    EXPECT_TRUE(rows.emplace(e.language, e.territory, e.variant).second)
        << e.language << "_" << e.territory << "@" << e.variant;
    // Every row is reachable from its own locale text.
    std::string locale = std::string(e.language) + "_" + std::string(e.territory);
    if (!e.variant.empty()) locale += "@" + std::string(e.variant);
    EXPECT_EQ(LanguageIdFromLocale(locale), e.langId) << locale;
  }
}

}  // namespace
