// cw_dlcli: downloads one URL into one file with the program's download
// engine, the way the install flow does: up to N starts, each resuming from
// the task file the previous one left.
//
//   cw_dlcli URL OUTPUT [--main] [--attempts N] [--md5 HEX] [--log FILE]
//            [--stall-ms N] [--assume-network]
//
// Prints one line "result=<code> attempts=<n> [md5=<hex>]" and exits with 0
// when the download (and the MD5, when given) succeeded, 1 otherwise, 2 for a
// bad command line. --stall-ms and --assume-network change the engine's
// limits the way tests do; they are for test set-ups only.
#include "DownLoadImpl.h"
#include "DownloadTuning.h"
#include "SingleUserLog.h"
#include "platform/log.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Options {
  std::string url;
  std::string output;
  bool main = false;
  int attempts = 1;
  std::string md5;
  std::string log;
  long long stallMs = 0;
  bool assumeNetwork = false;
};

bool ParseNumber(const char* text, long long minimum, long long& value) {
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || v < minimum) return false;
  value = v;
  return true;
}

bool Parse(int argc, char** argv, Options& options) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    long long number = 0;
    if (arg == "--main") {
      options.main = true;
    } else if (arg == "--assume-network") {
      options.assumeNetwork = true;
    } else if (arg == "--attempts" && hasValue && ParseNumber(argv[++i], 1, number)) {
      options.attempts = static_cast<int>(number);
    } else if (arg == "--stall-ms" && hasValue && ParseNumber(argv[++i], 1, number)) {
      options.stallMs = number;
    } else if (arg == "--md5" && hasValue) {
      options.md5 = argv[++i];
    } else if (arg == "--log" && hasValue) {
      options.log = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && positional < 2) {
      (positional++ == 0 ? options.url : options.output) = arg;
    } else {
      return false;
    }
  }
  return positional == 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: cw_dlcli URL OUTPUT [--main] [--attempts N] [--md5 HEX] [--log FILE] [--stall-ms N] "
                 "[--assume-network]\n");
    return 2;
  }
  if (options.log.empty()) {
    cwlog::ConfigureConsoleOnly();
  } else {
    cwlog::ConfigureWithFile(options.log);
  }
  if (options.stallMs > 0 || options.assumeNetwork) {
    DownloadTuning tuning;
    if (options.stallMs > 0) tuning.stallLimitMs = static_cast<std::uint64_t>(options.stallMs);
    if (options.assumeNetwork) tuning.networkAlive = [] { return true; };
    SetDownloadTuningForTesting(tuning);
  }
  curl_global_init(CURL_GLOBAL_ALL);
  int result = 0;
  int attempt = 0;
  while (attempt < options.attempts && result != DOWNLOAD_SUCCESS) {
    ++attempt;
    std::string cdnReport;
    result = CDownLoadImpl::SuperDownloadFile(options.url, options.output, cdnReport, options.main);
  }
  bool ok = result == DOWNLOAD_SUCCESS;
  std::string line = "result=" + std::to_string(result) + " attempts=" + std::to_string(attempt);
  if (ok && !options.md5.empty()) {
    ok = CDownLoadImpl::checkMD5(options.output, options.md5, options.md5, "cw_dlcli") == 1;
    line += " md5=" + CDownLoadImpl::FileMd5(options.output);
  }
  std::printf("%s\n", line.c_str());
  // As the program does at its end: the event sender finishes before libcurl goes.
  CSingleUserLog::GetInstance().WaitThreadForExit();
  curl_global_cleanup();
  return ok ? 0 : 1;
}
