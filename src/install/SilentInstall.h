// The silent run of the downloaded full installer: start it with the command
// line of SilentInstallCommand.h, tell the window, wait for it in one-second
// steps within the configured time-out, and report the outcome.
#pragma once

#include "SilentInstallCommand.h"

#include <cstdint>
#include <string>

class IInstallWindow;

enum class SilentInstallResult {
  Finished,  // the installer ended (its exit code is not read)
  TimedOut,  // it outlived the time-out and runs on, or could not be started
};

// Everything one run needs.
struct SilentInstallRun {
  FuntionImpl::InstallerCommandInput command;
  // Seconds; the wait gives up after installTimeout + 2 one-second steps that
  // end with the installer still running.
  std::uint32_t installTimeout = 0;
  bool retry = false;  // events say "Retry", else "First"
};

// The run as the install thread does it: the software name, downloader id and
// time-out from the window's configuration, the window's install folder and
// language, the user event log's log folder, the own executable, the time now.
SilentInstallResult RunSilentInstaller(IInstallWindow& window, const std::string& installerPath);

// The same with every input given. Posts WM_INSTALLSTART once the installer
// runs and WM_INSTALLTIMEOUT when it is given up; sets the window's
// install-done flag to 0 while it runs and to 1 when the run is over.
SilentInstallResult RunSilentInstaller(IInstallWindow& window, const SilentInstallRun& run);
