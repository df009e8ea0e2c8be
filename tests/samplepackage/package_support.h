// Runs the built sample package (the signed installer) the way the downloader
// does, and finds the build's other sample-package outputs.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace samplepkg {

// ${CMAKE_BINARY_DIR}/sample-package/<name>
std::string OutputPath(const std::string& name);
std::string PackagePath();  // the signed installer

struct RunResult {
  int exitCode = -1;   // -1: did not end within the time limit (then killed)
  std::string output;  // standard output and error
};

// Runs program with args and extra environment, waiting at most timeoutMs.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& env = {}, int timeoutMs = 30000);

// The argument vector the downloader passes: silent switches, "/DIR=<dir>/",
// /LANG=, "/LOG=<log>", /sptrack <tracking>.
std::vector<std::string> DownloaderArgs(const std::string& dir, const std::string& language,
                                        const std::string& logFile, const std::string& tracking);

// Lower-case hex MD5, as the devserver and package-info.txt write it.
std::string Md5Hex(const std::string& data);

// The full path of an openssl command line tool ("" when there is none).
std::string OpensslPath();

}  // namespace samplepkg
