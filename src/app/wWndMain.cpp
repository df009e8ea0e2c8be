#include "wWndMain.h"

#include "AppSeams.h"
#include "CommandLine.h"
#include "CrashHandler.h"
#include "DesktopWindows.h"
#include "EmbeddedResources.h"
#include "LocalSettings.h"
#include "LogUpload.h"
#include "ProcessGlobals.h"
#include "SingleInstance.h"
#include "SingleUserLog.h"
#include "StartupConfig.h"
#include "StartupSteps.h"
#include "SystemInfo.h"
#include "UnattendedRun.h"
#include "platform/console.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/window_raise.h"
#include "toolkit/ResourceArchive.h"

#include <curl/curl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

StartupConfig LoadEmbeddedStartupConfig() {
  cwui::CResourceArchive& archive = cwui::CResourceArchive::Instance();
  if (!archive.Open(EmbeddedResourceData(), EmbeddedResourceSize())) {
    CWLOG << " Resource archive unreadable: " << archive.LastError();
    return {};
  }
  auto xml = archive.Read("configure\\configure.xml");
  if (!xml) CWLOG << " configure.xml missing from the resource archive";
  return ReadStartupConfig(xml);
}

// Log file and download folder exist only for a start-up URL that names a file.
void SetUpLogging(const StartupConfig& config) {
  const auto baseName = InstallerBaseName(config.startupUrl);
  if (!baseName) {
    CWLOG << " Start-up URL names no file (" << config.startupUrl << "), logging to standard output only";
    return;
  }
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  userLog.InitLogPaths(*baseName);
  cwlog::ConfigureWithFile(userLog.GetLogFilePath());
}

// True when the main window's turn came; false when this copy ended before it.
// `shown`: whether a window could be shown then.
bool RunInteractive(const StartupConfig& config, bool& shown) {
  ProcessGlobals& globals = GetProcessGlobals();
  if (!EnsureSingleInstance(config, FuntionImpl::IsAutoRun())) return false;
  FuntionImpl::RefreshCrashHandler();  // downloader id and instance lock are known now
  AppSeams& seams = GetAppSeams();
  seams.atStartupStage(StartupStage::Startup);
  StartupStepServices services;
  services.showNotSupported = [&seams] {
    seams.showMessageBox(MSG_NOTSUPPORTSYSTEM, FuntionImpl::GetLanguageByLocalSystem());
  };
  if (!RunSharedStartupSteps(config, CSingleUserLog::GetInstance(), services)) return false;

  cwplat::CRaiseListener raiseListener;
  if (!globals.mainWindowClassName.empty() &&
      !raiseListener.Start(globals.mainWindowClassName, [&seams] { seams.raiseMainWindow(); })) {
    CWLOG << " Cannot listen for raise requests as " << globals.mainWindowClassName;
  }
  shown = seams.runMainWindow();
  raiseListener.Stop();
  return true;
}

void Shutdown() {
  GetProcessGlobals().instanceLock.Release();
  CWLOG << " Wait exit 1";
  GetAppSeams().waitForAllThreadExit();
  CWLOG << " Wait exit 2";
  CSingleUserLog::GetInstance().WaitThreadForExit();
  CWLOG << " Wait exit 3";
  curl_global_cleanup();
}

}  // namespace

int wWinMain(const std::string& commandLine, const std::optional<UnattendedOptions>& unattended) {
  if (unattended && (unattended->help || !unattended->error.empty())) {
    const std::string usage = UnattendedUsage(cwplat::SplitPath(cwplat::GetModuleFileName()).name);
    if (unattended->help) {
      std::fputs(usage.c_str(), stdout);
      return 0;
    }
    std::fprintf(stderr, "error: %s\n\n%s", unattended->error.c_str(), usage.c_str());
    return UNATTENDED_USAGE;
  }
  cwlog::ConfigureConsoleOnly();
  if (unattended) cwlog::SetStandardOutputEcho(false);  // the terminal shows progress instead
  AppSeams& seams = GetAppSeams();
  seams.installCrashHandler = &FuntionImpl::InstallUnhandledExceptionHandler;
  seams.uploadRun = [](const std::string& fileName, const std::string& catalogue, bool includeDumps) {
    // A broken dump must not make upload copies crash one after the other.
    FuntionImpl::SuppressCrashUpload();
    return FuntionImpl::RunUploadOnly(fileName, catalogue, includeDumps);
  };
  seams.showMessageBox = &ShowStartupMessageBox;
  seams.installCrashHandler();

  const CommandLineRequest request = ParseCommandLine(commandLine);
  if (request.kind == CommandLineRequest::Interactive) {
    seams.atStartupStage(StartupStage::Early);
  }
  if (request.debugConsole && !cwplat::AttachDebugConsole()) CWLOG << " No terminal for the debug console";

  const StartupConfig config = LoadEmbeddedStartupConfig();
  curl_global_init(CURL_GLOBAL_ALL);
  SetUpLogging(config);
  FuntionImpl::RefreshCrashHandler();  // the dump goes beside the log from now on
  CWLOG << " Start " << FuntionImpl::GetFileVersionText(cwplat::GetModuleFileName()) << ", command line ["
        << commandLine << "], downloader id " << config.downloaderIdText;

  if (unattended) {
    const int code = RunUnattended(*unattended, config);
    Shutdown();
    return code;
  }
  if (request.kind != CommandLineRequest::Interactive) {
    const bool dumps = request.kind == CommandLineRequest::UploadDump;
    const int code = seams.uploadRun(request.fileName, request.reason, dumps);
    curl_global_cleanup();
    return code;
  }

  bool shown = true;
  if (RunInteractive(config, shown)) {
    Shutdown();
  } else {
    // An early end still lets queued user events go out before the process ends.
    CSingleUserLog::GetInstance().WaitThreadForExit();
    curl_global_cleanup();
  }
  return shown ? 0 : EXIT_NO_DISPLAY;
}

int ProcessMain(int argc, char** argv) {
  cwplat::SetCommandLine(argc, argv);
  // The unattended switches are read from the vector, before the joined
  // command line's dispatch could mistake a folder name for one of its words.
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return wWinMain(cwplat::GetCommandLine(), ParseUnattendedArgs(args));
}
