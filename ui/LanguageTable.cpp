#include "ui/LanguageTable.h"

#include <algorithm>
#include <iterator>

namespace ui {
namespace {

constexpr LanguageEntry kLanguages[kEnumLanguageCount] = {
    {"language_english.xml", "license_english", "Microsoft YaHei", "en", 1540},
    {"language_japanese.xml", "license_japanese", "Meiryo UI", "ja", 1490},
    {"language_chinese.xml", "license_chinese", "Microsoft YaHei", "zh-cn", 1265},
    {"language_spanish.xml", "license_spanish", "Times New Roman", "es", 1610},
    {"language_german.xml", "license_german", "Times New Roman", "de", 1655},
    {"language_french.xml", "license_french", "Times New Roman", "fr", 1580},
    {"language_russian.xml", "license_russian", "Times New Roman", "ru", 1615},
    {"language_portuguese.xml", "license_portuguese", "Times New Roman", "pt", 1465},
    {"language_arabic.xml", "license_arabic", "Times New Roman", "ar", 1365},
    {"language_italiano.xml", "license_italiano", "Times New Roman", "it", 1515},
    {"language_chinesetrad.xml", "license_chinesetrad", "Microsoft YaHei", "zh-tw", 1265},
    {"language_korean.xml", "license_korean", "batang", "ko", 1345},
    {"language_nederland.xml", "license_nederlands", "Microsoft YaHei", "nl", 1655},
    {"language_indonesian.xml", "license_indonesian", "Microsoft YaHei", "id", 1540},
    {"language_turkish.xml", "license_turkish", "Microsoft YaHei", "tr", 1540},
    {"language_hindi.xml", "license_hindi", "Microsoft YaHei", "hi", 1540},
    {"language_thai.xml", "license_thai", "Microsoft YaHei", "th", 1345},
    {"language_malay.xml", "license_malay", "Microsoft YaHei", "ms", 1580},
    {"language_swedish.xml", "license_swedish", "Microsoft YaHei", "sv", 1580},
    {"language_czech.xml", "license_czech", "Microsoft YaHei", "cs", 1580},
};

constexpr int kLongChineseLicenceSites[] = {54, 93, 118, 127, 133, 290};
constexpr int kLongChineseLicenceHeight = 2070;
constexpr int kUnknownLanguageHeight = 1935;

}  // namespace

const LanguageEntry* FindLanguage(int language) {
  return language >= 0 && language < kEnumLanguageCount ? &kLanguages[language] : nullptr;
}

std::string LanguageFilePath(int language) {
  const LanguageEntry* entry = FindLanguage(language);
  return entry != nullptr ? std::string("language\\") + entry->file : std::string();
}

int LicencePanelHeight(int language, int siteId) {
  const LanguageEntry* entry = FindLanguage(language);
  if (entry == nullptr) return kUnknownLanguageHeight;
  if (language == Chinese && std::find(std::begin(kLongChineseLicenceSites), std::end(kLongChineseLicenceSites),
                                       siteId) != std::end(kLongChineseLicenceSites)) {
    return kLongChineseLicenceHeight;
  }
  return entry->licenceHeight;
}

}  // namespace ui
