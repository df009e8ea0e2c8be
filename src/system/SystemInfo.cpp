#include "SystemInfo.h"

#include "platform/log.h"
#include "platform/registry.h"
#include "platform/sysinfo.h"
#include "platform/version_info.h"

#include <array>
#include <cstdio>
#include <optional>
#include <mutex>
#include <utility>

namespace FuntionImpl {
namespace {

struct LanguageOfId {
  std::uint16_t langId;
  EnumLanguage language;
};

// The user's UI language identifier (decimal) to the installer's language.
// Anything not listed, Chinese of Singapore and Macao and the Arabic of
// other countries included, falls to English.
constexpr LanguageOfId kLanguageOfId[] = {
    {1033, English}, {2057, English}, {3081, English}, {4105, English}, {5129, English}, {6153, English},
    {7177, English}, {8201, English}, {9225, English}, {10249, English}, {11273, English},
    {1041, Japanese},
    {2052, Chinese},
    {1034, Spanish}, {2058, Spanish}, {3082, Spanish}, {4106, Spanish}, {5130, Spanish}, {6154, Spanish},
    {7178, Spanish}, {8202, Spanish}, {9226, Spanish}, {10250, Spanish}, {11274, Spanish}, {12298, Spanish},
    {13322, Spanish}, {14346, Spanish}, {15370, Spanish}, {16394, Spanish}, {17418, Spanish}, {18442, Spanish},
    {19466, Spanish}, {20490, Spanish},
    {1031, German}, {2055, German}, {3079, German}, {4103, German}, {5127, German},
    {1036, French}, {2060, French}, {3084, French}, {4108, French}, {5132, French},
    {1049, Russian},
    {1046, Portuguese}, {2070, Portuguese},
    {1025, Arabic},
    {1040, Italiano}, {2064, Italiano},
    {1028, ChineseTrad}, {3076, ChineseTrad},
    {1042, Korean}, {2066, Korean},
    {1043, Nederlands}, {2067, Nederlands},
    {1057, Indonesian},
    {1055, Turkish},
    {1081, Hindi},
    {1054, Thai},
    {1086, Malay}, {2110, Malay},
    {1053, Swedish}, {2077, Swedish},
    {1029, Czech},
};

constexpr const char* kLanguageCodes[kEnumLanguageCount] = {
    "en", "ja", "zh-cn", "es", "de", "fr", "ru", "pt", "ar", "it",
    "zh-tw", "ko", "nl", "id", "tr", "hi", "th", "my", "se", "cz",
};

constexpr std::size_t kMaxBuildText = 260;
constexpr long kLastWindows10Build = 21999;

std::mutex g_screenMutex;
ScreenInfoProvider g_screenProvider;

// A leading decimal number as the system's text-to-number conversion reads it:
// blanks, an optional sign, then digits; 0 when there are none.
long LeadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (n > 100000000) break;  // far beyond any build number
    n = n * 10 + (text[i] - '0');
  }
  return negative ? -n : n;
}

// "1.0.0.1" into the four 16-bit parts of a binary file version; missing
// parts are 0. Nothing when a part is not a number of at most 65535.
std::optional<std::array<unsigned, 4>> ParseFileVersion(const std::string& text) {
  std::array<unsigned, 4> parts{};
  std::size_t index = 0, pos = 0;
  if (text.empty()) return std::nullopt;
  while (true) {
    const std::size_t dot = text.find('.', pos);
    const std::string part = text.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
    if (part.empty() || part.size() > 5 || index >= parts.size()) return std::nullopt;
    unsigned value = 0;
    for (const char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xffff) return std::nullopt;
    parts[index++] = value;
    if (dot == std::string::npos) return parts;
    pos = dot + 1;
  }
}

}  // namespace

bool IsWindows11() {
  const cwplat::RegHive hive = cwplat::RegHive::LocalMachine;
  const char* key = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion";
  if (!cwplat::RegKeyExists(hive, key)) key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  std::string build;
  if (!cwplat::RegGetString(hive, key, "CurrentBuild", build) &&
      !cwplat::RegGetString(hive, key, "CurrentBuildNumber", build))
    return false;
  if (build.size() > kMaxBuildText) build.resize(kMaxBuildText);
  return LeadingNumber(build) > kLastWindows10Build;
}

std::string GetOSName(float& version) {
  if (IsWindows11()) {
    version = 11.0f;
    return "Windows 11";
  }
  version = 10.0f;
  return cwplat::GetOsPrettyName();
}

bool IsWow64() {
  return cwplat::Is64BitOS();
}

std::string GetUILanguageName() {
  return LanguageIdName(cwplat::GetUserUILanguage());
}

std::string GetSystemRegion() {
  const std::string region = cwplat::GetUserRegion();
  CWLOG << " System Region info is : " << region;
  return region;
}

void SetScreenInfoProvider(ScreenInfoProvider provider) {
  std::lock_guard<std::mutex> lock(g_screenMutex);
  g_screenProvider = std::move(provider);
}

double GetScreenInfo(int& width, int& height) {
  ScreenInfoProvider provider;
  {
    std::lock_guard<std::mutex> lock(g_screenMutex);
    provider = g_screenProvider;
  }
  width = 0;
  height = 0;
  return provider ? provider(width, height) : 1.0;
}

std::string GetFileVersionText(const std::string& path) {
  const auto info = cwplat::ReadVersionInfo(path);
  if (!info) return {};
  const auto it = info->find("FileVersion");
  if (it == info->end()) return {};
  const auto parts = ParseFileVersion(it->second);
  if (!parts) return {};
  char text[64];
  std::snprintf(text, sizeof(text), "%u.%u.%u.%u", (*parts)[0], (*parts)[1], (*parts)[2], (*parts)[3]);
  return text;
}

std::string GetFileVersionTextW(const std::string& path) {
  return GetFileVersionText(path);
}

bool GetVersionStrings(const std::string& path, std::string& productName, std::string& productVersion,
                       std::string& legalCopyright, std::string& fileDescription) {
  productName.clear();
  productVersion.clear();
  legalCopyright.clear();
  fileDescription.clear();
  const auto info = cwplat::ReadVersionInfo(path);
  if (!info) return false;
  const auto text = [&](const char* key) {
    const auto it = info->find(key);
    return it == info->end() ? std::string() : it->second;
  };
  productName = text("ProductName");
  productVersion = text("ProductVersion");
  legalCopyright = text("LegalCopyright");
  fileDescription = text("FileDescription");
  return true;
}

EnumLanguage LanguageFromLangId(std::uint16_t langId) {
  for (const auto& entry : kLanguageOfId) {
    if (entry.langId == langId) return entry.language;
  }
  return English;
}

EnumLanguage GetLanguageByLocalSystem() {
  const std::uint16_t langId = cwplat::GetUserUILanguage();
  CWLOG << " GetLanguageByLocalSystem: " << langId;
  return LanguageFromLangId(langId);
}

std::string GetLanguageCode(EnumLanguage language) {
  const int value = static_cast<int>(language);
  return value >= 0 && value < kEnumLanguageCount ? kLanguageCodes[value] : "en";
}

}  // namespace FuntionImpl
