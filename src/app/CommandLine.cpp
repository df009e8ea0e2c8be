#include "CommandLine.h"

CommandLineRequest ParseCommandLine(const std::string& commandLine) {
  CommandLineRequest request;
  request.debugConsole = commandLine == "debug";

  static const std::string kDump = "-dmp ";
  static const std::string kClose = "-close";
  if (size_t at = commandLine.find(kDump); at != std::string::npos) {
    request.kind = CommandLineRequest::UploadDump;
    request.fileName = commandLine.substr(at + kDump.size());
    request.reason = "CrashDmp";
  } else if (size_t at = commandLine.find(kClose); at != std::string::npos) {
    // The form is "-closeNN <log file>": the reason is the 7 characters after the
    // leading '-' and the file starts 9 characters after "-close". Both are
    // clipped to what the command line holds.
    request.kind = CommandLineRequest::UploadLog;
    request.reason = commandLine.size() > 1 ? commandLine.substr(1, 7) : std::string();
    request.fileName = at + 9 <= commandLine.size() ? commandLine.substr(at + 9) : std::string();
  }
  return request;
}
