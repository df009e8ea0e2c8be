#include "LanguageCodes.h"

namespace {

constexpr const char* kCodes[kEnumLanguageCount] = {"en", "ja", "zhcn", "es", "de", "fr", "ru",
                                                    "pt", "ar", "it", "zhtw", "ko", "nl", "id",
                                                    "tr", "hi", "th", "my", "se", "cz"};

}  // namespace

const char* ProductLanguageCode(int language) {
  return language >= 1 && language < kEnumLanguageCount ? kCodes[language] : "en";
}

std::optional<EnumLanguage> LanguageFromProductCode(const std::string& code) {
  for (int i = 0; i < kEnumLanguageCount; ++i) {
    if (code == kCodes[i]) return static_cast<EnumLanguage>(i);
  }
  return std::nullopt;
}
