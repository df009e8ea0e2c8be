#include "UnattendedRun.h"

#include "ConsoleInstallHost.h"
#include "ConsoleMessages.h"
#include "CrashHandler.h"
#include "DownLoadImpl.h"
#include "EmbeddedLabels.h"
#include "InstallThread.h"
#include "LanguageCodes.h"
#include "LanguageWriteBack.h"
#include "PreInstallChecks.h"
#include "SingleInstance.h"
#include "SingleUserLog.h"
#include "StartupSteps.h"
#include "SystemInfo.h"
#include "platform/log.h"
#include "platform/paths.h"

#include <iostream>

namespace {

// The languages the window offers; the others start it in English.
constexpr int kShownLanguages = 16;

EnumLanguage ChooseLanguage(const UnattendedOptions& options) {
  if (options.language) return *options.language;
  const EnumLanguage system = FuntionImpl::GetLanguageByLocalSystem();
  return system >= 0 && system < kShownLanguages ? system : English;
}

const char* CloseCode(int exitCode) {
  return exitCode == UNATTENDED_INSTALLED ? "close06" : "close05";
}

}  // namespace

int RunUnattended(const UnattendedOptions& options, const StartupConfig& config) {
  if (!EnsureSingleInstance(config, false)) {
    std::cerr << "Another copy of this downloader is running.\n";
    return UNATTENDED_ALREADY_RUNNING;
  }
  FuntionImpl::RefreshCrashHandler();
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  StartupStepServices services;
  services.showNotSupported = [] { std::cerr << "message: " << ConsoleMessageText(MSG_NOTSUPPORTSYSTEM) << "\n"; };
  if (!RunSharedStartupSteps(config, userLog, services)) return UNATTENDED_SYSTEM_NOT_SUPPORTED;

  CEmbeddedLabels labels;
  if (!labels.loadFromArchive()) CWLOG << " Embedded configuration unreadable";
  const EnumLanguage language = ChooseLanguage(options);
  CConsoleInstallHost host(labels, language, std::cout);
  const std::string path = options.installPath.empty() ? cwplat::GetApplicationsFolder() + "/Quorla" : options.installPath;
  host.setInstallPathText(path);
  CWLOG << " Unattended install into " << path << ", language " << ProductLanguageCode(language);
  std::cout << "Installing into " << path << " (log: " << userLog.GetLogFilePath() << ")\n";

  userLog.AddUserLog_simple("CrashRate", "Start", "", false);
  FuntionImpl::RunCrashTestIfSet();  // as the window's install click does
  userLog.AddUserLog_simple("Download", "2.DownStart", "", false);
  userLog.AddUserLog_simple("Other", "SetLanguage", LanguageEventName(language), false);

  // As the window's pre-fetch does: the checks judge the space with the answer.
  CConfigure& configure = host.configure();
  if (configure.getDownloadInfoXml(false, false) != 1) configure.getDownloadInfoXml(false, true);
  configure.parseDownloadInfo();

  int exitCode = UNATTENDED_CHECKS_FAILED;
  CPreInstallChecks checks(host);
  if (checks.RunChecks() == 0) {
    CDownLoadImpl::SetProgressDisplay(
        [&host](std::int64_t downloaded, std::int64_t total) { host.onDownloadProgress(downloaded, total); });
    exitCode = host.RunInstall([&host] { return CInstallThread(host).InstallThreadFunc(); });
    CDownLoadImpl::SetProgressDisplay(nullptr);
  } else {
    std::cout << "The install did not start: a pre-install check failed.\n";
  }
  userLog.AddUserLog_simple("CrashRate", "Close", CloseCode(exitCode), true);
  return exitCode;
}
