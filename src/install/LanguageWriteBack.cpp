#include "LanguageWriteBack.h"

#include "CConfigure.h"
#include "LanguageCodes.h"
#include "platform/log.h"
#include "platform/registry.h"

namespace {

constexpr const char* kEventNames[kEnumLanguageCount] = {
    "English", "Japanese", "Chinese", "Spanish",    "German",     "French",  "Russian",
    "Portuguese", "Arabic", "Italiano", "ChineseTrad", "Korean", "Nederlands", "Indonesian",
    "Turkish", "Hindi", "Thai", "Malay", "Swedish", "Czech"};

constexpr const char* kWowUninstall = "SoftWare\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kUninstall = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

}  // namespace

const char* LanguageEventName(int language) {
  return language >= 1 && language < kEnumLanguageCount ? kEventNames[language] : "English";
}

bool WriteLanguageBack(const CConfigure& configure, int language) {
  const int id = configure.getDownloaderId();
  if (id == 104 || (id >= 113 && id <= 115)) {
    CWLOG << " Language write-back skipped: downloader " << id << " belongs to another product";
    return false;
  }
  std::string key;
  if (cwplat::RegKeyExists(cwplat::RegHive::LocalMachine, kWowUninstall)) {
    key = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{";
  } else if (cwplat::RegKeyExists(cwplat::RegHive::LocalMachine, kUninstall)) {
    key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{";
  } else {
    return false;
  }
  key += configure.getSoftwareName() + "}_is1";
  return cwplat::RegSetString(cwplat::RegHive::LocalMachine, key, "Inno Setup: Language",
                              ProductLanguageCode(language));
}
