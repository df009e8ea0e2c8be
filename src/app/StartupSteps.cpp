#include "StartupSteps.h"

#include "Firewall.h"
#include "ProcessGlobals.h"
#include "SingleUserLog.h"
#include "SystemInfo.h"
#include "platform/paths.h"

bool RunSharedStartupSteps(const StartupConfig& config, CSingleUserLog& userLog, const StartupStepServices& services) {
  ProcessGlobals& globals = GetProcessGlobals();
  globals.kitFlag = IsKitDownloader(config.downloaderId);
  userLog.InitUserInfo(config.siteId, config.softwareVersion, config.softwareName, config.startupUrl, globals.kitFlag,
                       config.mainPid);

  const bool is64Bit = services.is64BitSystem ? services.is64BitSystem() : FuntionImpl::IsWow64();
  if (config.support32System == "0" && !is64Bit) {
    // Waited for: the process ends right after the refusal.
    userLog.AddUserLog_simple("Other", "32bitStartupForbided", "", true);
    if (services.showNotSupported) services.showNotSupported();
    return false;
  }

  FuntionImpl::AuthorizeInFirewall(cwplat::GetModuleFileName());
  return true;
}
