// Facts about this system: its name, whether it is 64-bit, the user's
// language and region, and the computer name.
//
// The user's language comes from the POSIX locale: the first non-empty of
// LC_ALL, LC_MESSAGES, LANG, then the first entry of LANGUAGE's colon list.
// A locale "ll_CC.codeset@modifier" maps to the Windows language identifier
// (LANGID) of language ll in territory CC; the modifier (or, for Korean
// Johab, the codeset) picks a variant such as sr_RS@latin or
// es_ES@traditional. A known language in an unlisted territory, or without
// one, maps to that language's default entry ("de" -> 0x0407, "zh" -> 0x0804).
// "C", "POSIX", an empty or unparsable locale and unknown languages map to
// English (United States), 0x0409, so the program stays usable.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace cwplat {

inline constexpr std::uint16_t kLangIdEnglishUS = 0x0409;

// PRETTY_NAME of /etc/os-release (else /usr/lib/os-release), else NAME, else "Linux".
std::string GetOsPrettyName();
// The same from the text of an os-release file.
std::string OsPrettyNameFromText(std::string_view osRelease);

// True when the kernel runs a 64-bit machine architecture (a 32-bit build of
// the program on such a kernel is the counterpart of a WOW64 process). A 64-bit
// build of the program answers true in any case.
bool Is64BitOS();
bool IsMachine64Bit(std::string_view unameMachine);

// The locale text the user's language is taken from ("" when none is set).
std::string GetUserLocale();
// LANGID of the user's locale, and of a given locale text.
std::uint16_t GetUserUILanguage();
std::uint16_t LanguageIdFromLocale(std::string_view locale);

// ISO 3166 two-letter code of the locale's territory ("" when it has none).
std::string GetUserRegion();
std::string RegionFromLocale(std::string_view locale);

// The host name ("" when it cannot be read).
std::string GetComputerName();

// The locale-to-LANGID table; per language the first entry is its default.
struct LocaleLanguageId {
  std::string_view language;   // ISO 639 code, lower case
  std::string_view territory;  // ISO 3166 code or UN M.49 number; "" for none
  std::string_view variant;    // locale modifier or codeset; "" for none
  std::uint16_t langId;
};
std::span<const LocaleLanguageId> LocaleLanguageIds();

}  // namespace cwplat
