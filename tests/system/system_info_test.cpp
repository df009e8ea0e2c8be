#include "SystemInfo.h"
#include "platform/registry.h"
#include "platform/sysinfo.h"
#include "platform/version_info.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

using namespace FuntionImpl;

TEST(LanguageDetection, LanguageIdsMapToInstallerLanguages) {
  EXPECT_EQ(LanguageFromLangId(0x0c04), ChineseTrad);  // Hong Kong
  EXPECT_EQ(LanguageFromLangId(0x0404), ChineseTrad);
  EXPECT_EQ(LanguageFromLangId(0x0804), Chinese);
  EXPECT_EQ(LanguageFromLangId(0x1004), English);  // Singapore
  EXPECT_EQ(LanguageFromLangId(0x1404), English);  // Macao
  EXPECT_EQ(LanguageFromLangId(0x0401), Arabic);
  EXPECT_EQ(LanguageFromLangId(0x3801), English);  // Arabic of the U.A.E.
  EXPECT_EQ(LanguageFromLangId(0x500a), Spanish);
  EXPECT_EQ(LanguageFromLangId(0x0812), Korean);
  EXPECT_EQ(LanguageFromLangId(0x083e), Malay);
  EXPECT_EQ(LanguageFromLangId(0x1234), English);
  EXPECT_EQ(LanguageFromLangId(0x0000), English);
}

TEST(LanguageDetection, CodesOutsideTheRangeAreEnglish) {
  EXPECT_EQ(GetLanguageCode(static_cast<EnumLanguage>(-1)), "en");
  EXPECT_EQ(GetLanguageCode(static_cast<EnumLanguage>(20)), "en");
}

TEST(LanguageNames, QuotedNamesAndUnknownIds) {
  EXPECT_EQ(LanguageIdName(0x0804), "Chinese_PRC");
  EXPECT_EQ(LanguageIdName(0x0404), "Chinese_Taiwan");
  EXPECT_EQ(LanguageIdName(0x0409), "English_United States");
  EXPECT_EQ(LanguageIdName(0x0809), "English_United Kingdom");
  EXPECT_EQ(LanguageIdName(0x0400), "Default_Default");
  EXPECT_EQ(LanguageIdName(0x0000), "Neutral_Neutral");
  EXPECT_EQ(LanguageIdName(0x0401), "Arabic_Saudi Arabia");
  EXPECT_EQ(LanguageIdName(0x0414), "Norwegian_Norway (Bokm?l)");
  EXPECT_EQ(LanguageIdName(0x0814), "Norwegian_Norway (Nynorsk)");
  EXPECT_EQ(LanguageIdName(0x040a), "Spanish_Spain (Traditional sort)");
  EXPECT_EQ(LanguageIdName(0x0c0a), "Spanish_Spain (International sort)");
  EXPECT_EQ(LanguageIdName(0x0421), "Indonesian_Indonesia (Bahasa)");
  EXPECT_EQ(LanguageIdName(0x042f), "Macedonian (FYROM)_Macedonian (FYROM)");
  EXPECT_EQ(LanguageIdName(0x0438), "Faeroese_Faeroe Islands");
  EXPECT_EQ(LanguageIdName(0x044b), "Kannada_India (Kannada script)");
  EXPECT_EQ(LanguageIdName(0x044a), "Telugu_India (Telugu script)");
  EXPECT_EQ(LanguageIdName(0x0446), "Punjabi_India (Gurmukhi script)");
  EXPECT_EQ(LanguageIdName(0xabcd), "0xabcd");
  EXPECT_EQ(LanguageIdName(0x0001), "0x0001");
}

// Each interface language from its usual locale, through the locale table and
// the language table, against the well-known Windows language identifiers and
// the product's language codes (as the README lists them); and every
// identifier a locale can produce has a name.
TEST(LanguageNames, EachInterfaceLanguageFromItsLocale) {
  const struct {
    const char* locale;
    std::uint16_t langId;
    EnumLanguage language;
    const char* code;
  } rows[] = {
      {"en_US.UTF-8", 0x0409, English, "en"},        {"ja_JP.UTF-8", 0x0411, Japanese, "ja"},
      {"zh_CN.UTF-8", 0x0804, Chinese, "zh-cn"},     {"es_ES.UTF-8", 0x0c0a, Spanish, "es"},
      {"de_DE.UTF-8", 0x0407, German, "de"},         {"fr_FR.UTF-8", 0x040c, French, "fr"},
      {"ru_RU.UTF-8", 0x0419, Russian, "ru"},        {"pt_BR.UTF-8", 0x0416, Portuguese, "pt"},
      {"ar_SA.UTF-8", 0x0401, Arabic, "ar"},         {"it_IT.UTF-8", 0x0410, Italiano, "it"},
      {"zh_TW.UTF-8", 0x0404, ChineseTrad, "zh-tw"}, {"ko_KR.UTF-8", 0x0412, Korean, "ko"},
      {"nl_NL.UTF-8", 0x0413, Nederlands, "nl"},     {"id_ID.UTF-8", 0x0421, Indonesian, "id"},
      {"tr_TR.UTF-8", 0x041f, Turkish, "tr"},        {"hi_IN.UTF-8", 0x0439, Hindi, "hi"},
      {"th_TH.UTF-8", 0x041e, Thai, "th"},           {"ms_MY.UTF-8", 0x043e, Malay, "my"},
      {"sv_SE.UTF-8", 0x041d, Swedish, "se"},        {"cs_CZ.UTF-8", 0x0405, Czech, "cz"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(cwplat::LanguageIdFromLocale(r.locale), r.langId) << r.locale;
    EXPECT_EQ(LanguageFromLangId(r.langId), r.language) << r.locale;
    EXPECT_EQ(GetLanguageCode(r.language), r.code) << r.locale;
  }
  for (const auto& e : cwplat::LocaleLanguageIds())
    EXPECT_NE(LanguageIdName(e.langId).find('_'), std::string::npos) << std::hex << e.langId;
}

// The user's locale, as the environment gives it.
class UserLocale : public ::testing::Test {
 protected:
  void Set(const std::optional<std::string>& lcAll, const std::optional<std::string>& lcMessages,
           const std::optional<std::string>& lang, const std::optional<std::string>& language) {
    m_env.clear();
    m_env.push_back(std::make_unique<cwtest::ScopedEnv>("LC_ALL", lcAll));
    m_env.push_back(std::make_unique<cwtest::ScopedEnv>("LC_MESSAGES", lcMessages));
    m_env.push_back(std::make_unique<cwtest::ScopedEnv>("LANG", lang));
    m_env.push_back(std::make_unique<cwtest::ScopedEnv>("LANGUAGE", language));
  }

 private:
  std::vector<std::unique_ptr<cwtest::ScopedEnv>> m_env;
};

TEST_F(UserLocale, FirstSetVariableDecides) {
  Set(std::nullopt, std::nullopt, "zh_TW.UTF-8", std::nullopt);
  EXPECT_EQ(GetLanguageByLocalSystem(), ChineseTrad);
  EXPECT_EQ(GetUILanguageName(), "Chinese_Taiwan");
  EXPECT_EQ(GetSystemRegion(), "TW");

  Set("de_AT.UTF-8", "fr_FR.UTF-8", "zh_TW.UTF-8", std::nullopt);
  EXPECT_EQ(GetLanguageByLocalSystem(), German);
  EXPECT_EQ(GetUILanguageName(), "German_Austria");

  Set("", "fr_CA.UTF-8", "zh_TW.UTF-8", std::nullopt);
  EXPECT_EQ(GetUILanguageName(), "French_Canada");

  Set(std::nullopt, std::nullopt, "", ":pt_BR:en");
  EXPECT_EQ(GetLanguageByLocalSystem(), Portuguese);
  EXPECT_EQ(GetSystemRegion(), "BR");
}

TEST_F(UserLocale, CLocaleAndNothingAreEnglish) {
  Set(std::nullopt, std::nullopt, "C.UTF-8", "ja_JP");  // LANG is set, so LANGUAGE is not asked
  EXPECT_EQ(GetLanguageByLocalSystem(), English);
  EXPECT_EQ(GetUILanguageName(), "English_United States");
  EXPECT_EQ(GetSystemRegion(), "");

  Set(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
  EXPECT_EQ(GetLanguageByLocalSystem(), English);

  Set(std::nullopt, std::nullopt, "zh_SG.UTF-8", std::nullopt);
  EXPECT_EQ(GetLanguageByLocalSystem(), English);
  EXPECT_EQ(GetUILanguageName(), "Chinese_Singapore");
}

TEST(SystemName, RegistryBuildDecidesWindows11) {
  cwtest::TempDir dir;
  cwtest::ScopedEnv root("CW_REGISTRY_ROOT", dir.path());
  const auto hive = cwplat::RegHive::LocalMachine;
  const std::string plain = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  const std::string wow = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion";

  float version = 0;
  EXPECT_FALSE(IsWindows11());
  EXPECT_EQ(GetOSName(version), cwplat::GetOsPrettyName());
  EXPECT_FLOAT_EQ(version, 10.0f);

  ASSERT_TRUE(cwplat::RegSetString(hive, plain, "CurrentBuild", "21999"));
  EXPECT_FALSE(IsWindows11());
  ASSERT_TRUE(cwplat::RegSetString(hive, plain, "CurrentBuild", "22000"));
  EXPECT_TRUE(IsWindows11());
  EXPECT_EQ(GetOSName(version), "Windows 11");
  EXPECT_FLOAT_EQ(version, 11.0f);

  // The WOW6432Node key, once present, is the only one read.
  ASSERT_TRUE(cwplat::RegCreateKey(hive, wow));
  EXPECT_FALSE(IsWindows11());
  ASSERT_TRUE(cwplat::RegSetString(hive, wow, "CurrentBuildNumber", " 22621junk"));
  EXPECT_TRUE(IsWindows11());
  ASSERT_TRUE(cwplat::RegSetString(hive, wow, "CurrentBuild", "abc"));
  EXPECT_FALSE(IsWindows11());
}

TEST(SystemFacts, BitnessAndScreen) {
  const std::string machine = cwtest::CommandOutput("uname -m");
  ASSERT_TRUE(cwtest::MachineIs64Bit(machine).has_value()) << "uname -m: " << machine;
  EXPECT_EQ(IsWow64(), *cwtest::MachineIs64Bit(machine));

  int w = -1, h = -1;
  EXPECT_DOUBLE_EQ(GetScreenInfo(w, h), 1.0);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  SetScreenInfoProvider([](int& width, int& height) {
    width = 2560;
    height = 1440;
    return 1.25;
  });
  EXPECT_DOUBLE_EQ(GetScreenInfo(w, h), 1.25);
  EXPECT_EQ(w, 2560);
  EXPECT_EQ(h, 1440);
  SetScreenInfoProvider(nullptr);
  EXPECT_DOUBLE_EQ(GetScreenInfo(w, h), 1.0);
  EXPECT_EQ(w, 0);
}

TEST(FileVersion, ReadFromTheBuiltProgram) {
  EXPECT_EQ(GetFileVersionText(CW_DOWNLOADER_EXE), "1.0.0.1");
  EXPECT_EQ(GetFileVersionTextW(CW_DOWNLOADER_EXE), "1.0.0.1");
  std::string name, version, copyright, description;
  ASSERT_TRUE(GetVersionStrings(CW_DOWNLOADER_EXE, name, version, copyright, description));
  EXPECT_EQ(name, "Quorla Murmelon Web Installer");
  EXPECT_EQ(version, "1.0.0.1");
  EXPECT_EQ(copyright, "Copyright (C) 2026 Quorla");
  EXPECT_EQ(description, "Quorla Murmelon Web Installer");
  const auto info = cwplat::ReadVersionInfo(CW_DOWNLOADER_EXE);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->at("Translation"), "040904b0");
}

TEST(FileVersion, FilesWithoutVersionInformation) {
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "text.txt", "FileVersion=9.9.9.9\n");
  const std::string program = cwtest::ReadFile(CW_DOWNLOADER_EXE);
  ASSERT_GT(program.size(), 4096u);
  cwtest::WriteFile(dir / "half", program.substr(0, program.size() / 2));
  cwtest::WriteFile(dir / "short", program.substr(0, program.size() - 1));

  for (const std::string& path : {dir / "text.txt", dir / "half", dir / "short", dir / "missing",
                                 std::string("/bin/true")}) {
    EXPECT_EQ(GetFileVersionText(path), "") << path;
    std::string name = "x", version = "x", copyright = "x", description = "x";
    EXPECT_FALSE(GetVersionStrings(path, name, version, copyright, description)) << path;
    EXPECT_EQ(name + version + copyright + description, "") << path;
  }
}

}  // namespace
