// What the command line asks of this process: a debug console, an upload-only
// run for a crash dump ("-dmp ") or a log ("-close"), or the interactive run.
#pragma once

#include <string>

struct CommandLineRequest {
  enum Kind { Interactive, UploadDump, UploadLog };
  Kind kind = Interactive;
  bool debugConsole = false;  // the whole command line is exactly "debug"
  std::string fileName;       // the dump or log file to upload
  std::string reason;         // "CrashDmp" for a dump, "closeNN" for a log
};

// Plain substring search over the whole command line, "-dmp " first.
CommandLineRequest ParseCommandLine(const std::string& commandLine);
