#include "LocalSettings.h"

#include "platform/ini_file.h"
#include "platform/paths.h"

#include <mutex>

namespace FuntionImpl {
namespace {

std::mutex g_mutex;
std::string g_testPath;

}  // namespace

void SetLocalSettingsPathForTesting(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_testPath = path;
}

std::string LocalSettingsPath() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_testPath.empty()) return g_testPath;
  }
  return cwplat::GetModuleDirectory() + "cw_downloader.cfg";
}

bool IsLocalSettingOn(const std::string& key, const std::string& filePath) {
  if (!cwplat::FileExists(filePath)) return false;
  return cwplat::GetPrivateProfileInt("Settings", key, 0, filePath) == 1;
}

bool IsTestEnv() { return IsLocalSettingOn("TestEnv", LocalSettingsPath()); }
bool IsAutoRun() { return IsLocalSettingOn("AutoRun", LocalSettingsPath()); }
bool IsCrashTest() { return IsLocalSettingOn("CrashTest", LocalSettingsPath()); }

}  // namespace FuntionImpl
