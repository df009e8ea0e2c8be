// UnhandledExceptionHandler, the program's crash handling: after a crash the
// instance lock is freed, a dump is written beside the log (or, before the log
// exists, into the temporary folder), and when the downloader config allows it
// a hidden copy of the program uploads the dump ("-dmp <name>").
//
// The signal handler itself (platform/crash_handler.h) may do only
// async-signal-safe work, so everything it needs is worked out here ahead of
// time. RefreshCrashHandler hands it the current values; call it whenever the
// log file path, the downloader config, the downloader id or the instance lock
// changes (start-up calls it after the log set-up and after the single-instance
// check; whoever copies the configuration's downloader config into the user
// event log calls it after that).
//
// The handler's log lines (" Exception handler entered.", " Release mutex: ",
// " Create dmp file: ", " Write dmp file: ") go into the dump and to standard
// error; the upload run that reads the dump writes them to its log.
#pragma once

#include "platform/crash_handler.h"

#include <string>

namespace FuntionImpl {

// The seam start-up calls first thing: installs the handler with what is known
// this early (no log yet, downloader id 0, no upload).
void InstallUnhandledExceptionHandler();

// Hands the handler the current log file path, downloader config, downloader
// id and instance lock. Safe from any thread.
void RefreshCrashHandler();

// For an upload run: a crash of this process never starts another upload copy
// (a broken dump must not make copies crash one after the other).
void SuppressCrashUpload();

// The values the handler's context is made from.
struct CrashHandlerFacts {
  std::string logFilePath;     // "" before the log exists
  int downloaderConfig = 0;
  int downloaderId = 0;
  std::string tempFolder;      // with its trailing '/'
  std::string fileVersion;     // of the own executable, "" without one
  std::string executablePath;
  int instanceLockFd = -1;
  bool uploadSuppressed = false;
};
cwplat::CrashContext MakeCrashContext(const CrashHandlerFacts& facts);

// The dump beside the log: the log file path + ".dmp"; "" without a log.
std::string DumpPathBesideLog(const std::string& logFilePath);
// The fallback dump name up to its time stamp: "%s%d_%s_" with the temporary
// folder, the downloader id and the file version; the handler appends the
// local time "%.4d%.2d%.2d%.2d%.2d%.2d%.3d" and ".dmp".
std::string FallbackDumpPrefix(const std::string& tempFolder, int downloaderId, const std::string& fileVersion);
// Downloader config 1 and 2 allow the dump upload.
bool IsDumpUploadAllowed(int downloaderConfig);

// The CrashTest setting's action on the install click: crashes the process
// through the handler (a real invalid memory write). Never returns.
[[noreturn]] void RunCrashTest();

// Where an install starts (the install click, the unattended run's start):
// runs the crash test when the CrashTest setting is on, else nothing.
void RunCrashTestIfSet();


}  // namespace FuntionImpl
