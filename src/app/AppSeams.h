// The places where start-up hands over to components that plug in later (the
// crash handler, the upload run, the message box, the main window). Each has a
// default that logs what it would do, so start-up runs end to end today; the
// component replaces the default when it registers itself.
#pragma once

#include "EnumLanguage.h"
#include "EnumMsgType.h"

#include <functional>
#include <string>

// Points in start-up where a test harness may act; the program itself does
// nothing there. Early: before the log exists; Startup: log and instance lock
// in place (interactive runs only).
enum class StartupStage { Early, Startup };

struct AppSeams {
  // Installed first thing; must not depend on anything else being set up.
  std::function<void()> installCrashHandler;
  // The upload-only run: the file named on the command line, the catalogue
  // ("CrashDmp" or "closeNN") and whether dumps go with it. Returns the exit code.
  std::function<int(const std::string& fileName, const std::string& catalogue, bool includeDumps)> uploadRun;
  // A modal message box before any main window exists.
  std::function<void(EnumMsgType type, EnumLanguage language)> showMessageBox;
  // Create the main window, show it and run the message loop until it ends;
  // false when no window could be shown (no display).
  std::function<bool()> runMainWindow;
  // Bring the running main window forward (a second copy asked for it).
  std::function<void()> raiseMainWindow;
  // After the loop: wait for the main window's worker threads.
  std::function<void()> waitForAllThreadExit;
  // Called at each StartupStage of an interactive run.
  std::function<void(StartupStage stage)> atStartupStage;
};

// The process-wide seams, filled with the logging defaults on first use.
AppSeams& GetAppSeams();
