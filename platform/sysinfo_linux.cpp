#include "platform/sysinfo.h"

#include "platform/read_bounded.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <optional>

namespace cwplat {
namespace {

constexpr std::size_t kMaxOsReleaseBytes = 64 * 1024;
constexpr std::size_t kMaxNameLength = 256;
constexpr std::size_t kMaxLocaleLength = 256;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// os-release values follow shell quoting: "..." with backslash escapes, '...'
// literally, or a bare word. Control characters are dropped: the name ends up
// in log lines and analytics.
std::string Unquote(std::string_view v) {
  std::string out;
  if (!v.empty() && (v[0] == '"' || v[0] == '\'')) {
    const char quote = v[0];
    for (std::size_t i = 1; i < v.size() && v[i] != quote; ++i) {
      if (quote == '"' && v[i] == '\\' && i + 1 < v.size()) ++i;
      out += v[i];
    }
  } else {
    out = std::string(v);
  }
  std::string clean;
  for (const char c : out) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) clean += c;
  }
  if (clean.size() > kMaxNameLength) clean.resize(kMaxNameLength);
  return clean;
}

// The parts of "ll_CC.codeset@modifier" that choose a language, normalised.
struct LocaleParts {
  std::string language;   // lower case, 2 or 3 letters
  std::string territory;  // upper-case letters or digits; "" when absent or malformed
  std::string codeset;    // lower case without '-'
  std::string modifier;   // lower case
};

std::optional<LocaleParts> SplitLocale(std::string_view s) {
  LocaleParts p;
  const std::size_t at = s.find('@');
  if (at != std::string_view::npos) {
    for (const char c : s.substr(at + 1)) p.modifier += Lower(c);
    s = s.substr(0, at);
  }
  const std::size_t dot = s.find('.');
  if (dot != std::string_view::npos) {
    for (const char c : s.substr(dot + 1)) {
      if (c != '-') p.codeset += Lower(c);
    }
    s = s.substr(0, dot);
  }
  const std::size_t sep = s.find_first_of("_-");
  const std::string_view language = s.substr(0, sep);
  if (language.size() < 2 || language.size() > 3) return std::nullopt;
  for (const char c : language) {
    if (!IsAsciiLetter(c)) return std::nullopt;
    p.language += Lower(c);
  }
  if (sep != std::string_view::npos) {
    const std::string_view t = s.substr(sep + 1);
    const bool letters = t.size() == 2 && IsAsciiLetter(t[0]) && IsAsciiLetter(t[1]);
    const bool digits = t.size() == 3 && IsAsciiDigit(t[0]) && IsAsciiDigit(t[1]) && IsAsciiDigit(t[2]);
    if (letters || digits) {
      for (const char c : t) p.territory += Upper(c);
    }
  }
  return p;
}

}  // namespace

std::string OsPrettyNameFromText(std::string_view text) {
  std::string pretty, name;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = TrimBlanks(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::size_t eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq);
    if (key == "PRETTY_NAME" && pretty.empty()) pretty = Unquote(line.substr(eq + 1));
    if (key == "NAME" && name.empty()) name = Unquote(line.substr(eq + 1));
  }
  if (!pretty.empty()) return pretty;
  return name.empty() ? std::string("Linux") : name;
}

std::string GetOsPrettyName() {
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    if (auto text = ReadFileBounded(path, kMaxOsReleaseBytes)) return OsPrettyNameFromText(*text);
  }
  return "Linux";
}

bool IsMachine64Bit(std::string_view machine) {
  // x86_64, aarch64, ppc64(le), riscv64, mips64, sparc64, loongarch64, ia64 ...
  return machine.find("64") != std::string_view::npos || machine == "s390x" || machine == "alpha";
}

bool Is64BitOS() {
  if constexpr (sizeof(void*) == 8) return true;
  struct utsname u {};
  if (uname(&u) != 0) return false;
  return IsMachine64Bit(u.machine);
}

std::string GetUserLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && v[0] != '\0') return std::string(v).substr(0, kMaxLocaleLength);
  }
  const char* language = std::getenv("LANGUAGE");
  if (language == nullptr) return {};
  std::string_view list(language);
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    const std::string_view item = list.substr(0, colon);
    if (!item.empty()) return std::string(item.substr(0, kMaxLocaleLength));
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return {};
}

std::uint16_t LanguageIdFromLocale(std::string_view locale) {
  const auto parts = SplitLocale(locale);
  if (!parts) return kLangIdEnglishUS;
  const LocaleLanguageId* sameTerritory = nullptr;
  const LocaleLanguageId* sameVariant = nullptr;
  const LocaleLanguageId* languageDefault = nullptr;
  for (const auto& e : LocaleLanguageIds()) {
    if (e.language != parts->language) continue;
    if (languageDefault == nullptr) languageDefault = &e;
    const bool variant = !e.variant.empty() && (e.variant == parts->modifier || e.variant == parts->codeset);
    if (e.territory == parts->territory) {
      if (variant) return e.langId;
      if (e.variant.empty() && sameTerritory == nullptr) sameTerritory = &e;
    }
    if (variant && sameVariant == nullptr) sameVariant = &e;
  }
  if (sameTerritory != nullptr) return sameTerritory->langId;
  if (sameVariant != nullptr) return sameVariant->langId;
  return languageDefault != nullptr ? languageDefault->langId : kLangIdEnglishUS;
}

std::uint16_t GetUserUILanguage() {
  return LanguageIdFromLocale(GetUserLocale());
}

std::string RegionFromLocale(std::string_view locale) {
  const auto parts = SplitLocale(locale);
  if (!parts || parts->territory.size() != 2 || !IsAsciiLetter(parts->territory[0])) return {};
  return parts->territory;
}

std::string GetUserRegion() {
  return RegionFromLocale(GetUserLocale());
}

std::string GetComputerName() {
  char buf[HOST_NAME_MAX + 1] = {};
  if (gethostname(buf, sizeof(buf) - 1) != 0) return {};
  return std::string(buf);
}

}  // namespace cwplat
