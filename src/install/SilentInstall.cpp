#include "SilentInstall.h"

#include "CConfigure.h"
#include "InstallWindow.h"
#include "SingleUserLog.h"
#include "platform/file_io.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/process_spawn.h"
#include "platform/tick.h"

namespace {

constexpr std::uint64_t kWaitStepMs = 1000;

// The time-out outcome; also that of an installer that never started, which
// leaves nothing to wait for.
SilentInstallResult GiveUp(IInstallWindow& window, const std::string& reason) {
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  window.setInstallDone(true);
  userLog.AddUserLog_simple("Other", "FlowError", "DL016", false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Installing", 0, "Download", "CoreFuncEnd", "null", false, false);
  CWLOG << reason;
  window.postMessage(WM_INSTALLTIMEOUT, 0);
  return SilentInstallResult::TimedOut;
}

}  // namespace

SilentInstallResult RunSilentInstaller(IInstallWindow& window, const std::string& installerPath) {
  CConfigure& configure = window.configure();
  SilentInstallRun run;
  run.command.installerPath = installerPath;
  run.command.softwareName = configure.getSoftwareName();
  run.command.installFolder = window.installDirectory();
  run.command.logFolder = CSingleUserLog::GetInstance().GetLogFolder();
  run.command.ownExePath = cwplat::GetModuleFileName();
  run.command.languageIndex = window.currentLanguage();
  run.command.downloaderId = configure.getDownloaderId();
  run.command.time = cwplat::GetLocalTime();
  // Compared as unsigned: a negative setting means no practical limit.
  run.installTimeout = static_cast<std::uint32_t>(configure.getInstallTimeout());
  run.retry = window.isRetry();
  return RunSilentInstaller(window, run);
}

SilentInstallResult RunSilentInstaller(IInstallWindow& window, const SilentInstallRun& run) {
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  const auto command = FuntionImpl::BuildInstallerCommand(run.command);
  CWLOG << " [Download File Path]: " << run.command.installerPath;
  if (command) CWLOG << " [Start Install CmdLine]: " << command->text;

  const std::uint64_t started = cwplat::GetTickCount64();
  userLog.AddUserLog_simple("Download", "5.ProgramInstall", run.retry ? "Retry" : "First", false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Installing", 0, "Download", "CoreFuncStart", "null", false, false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Installing", 1, "Download", "ProgramInstall", "null", false, false);

  cwplat::SpawnedProcess installer;
  const int error = command ? installer.Start(command->argv) : cwplat::kErrorFilenameTooLong;
  if (error != 0) return GiveUp(window, " Cannot start the installer (" + std::to_string(error) + "): given up");
  window.setInstallDone(false);
  window.postMessage(WM_INSTALLSTART, 0);

  // Steps that ended with the installer still running.
  std::uint64_t waited = 0;
  while (installer.Wait(kWaitStepMs) == cwplat::WaitResult::Running) {
    if (waited > run.installTimeout) {
      installer.Release();  // left to finish on its own
      return GiveUp(window, " Cmd nWaitSeconds timed out: " + std::to_string(run.installTimeout));
    }
    ++waited;
  }

  const std::uint64_t seconds = (cwplat::GetTickCount64() - started) / 1000;
  userLog.AddUserLog_simple("Other", "MInstallTime", std::to_string(seconds), false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Installing", 2, "Download", "ProgramFinsh", "null", false, false);
  CWLOG << " install Finished, nWaitSeconds: " << waited;
  window.setInstallDone(true);
  return SilentInstallResult::Finished;
}
