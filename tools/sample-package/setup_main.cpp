// QuorlaMurmelon_setup.exe, the sample product's installer: a small, real,
// silent installer driven by Inno Setup style switches (see SetupArgs.h).
//
// Exit codes: 0 installed; 1 asked to fail (CW_SAMPLE_SETUP_FAIL=1);
// 2 unusable command line; 4 the log or the installation could not be written.
// Every failure also prints one line on standard error.
#include "Installer.h"
#include "ProductInfo.h"
#include "SetupArgs.h"
#include "SetupLog.h"
#include "SetupModes.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kExitFailMode = 1;
constexpr int kExitBadCommandLine = 2;
constexpr int kExitInstallFailed = 4;

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "%s setup: %s\n", sample::kProductName, message.c_str());
  return code;
}

std::string CommandLineText(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args) {
    if (!text.empty()) text += ' ';
    text += arg.find(' ') == std::string::npos ? arg : "\"" + arg + "\"";
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  sample::SetupOptions options;
  std::string error;
  if (!sample::ParseSetupArgs(args, options, error)) return Fail(kExitBadCommandLine, error);

  const sample::SetupModes modes = sample::ReadSetupModes();
  sample::SetupLog log;
  if (options.logPath && !log.Open(*options.logPath, error)) return Fail(kExitInstallFailed, error);

  log.Line(std::string("Setup started: ") + sample::kProductName + " " + sample::kVersion);
  log.Line("Setup command line: " + CommandLineText(args));
  for (const std::string& arg : options.ignored) log.Line("Ignored argument: " + arg);
  for (const std::string& problem : modes.problems) log.Line(problem);
  log.Line("Dest dir: " + options.dir);
  log.Line("Language: " + options.language);
  log.Line("Tracking: " + options.tracking);

  if (modes.fail) {
    log.Line("Installation failed: CW_SAMPLE_SETUP_FAIL is set");
    return Fail(kExitFailMode, "failing as asked by CW_SAMPLE_SETUP_FAIL");
  }
  if (modes.hang) {
    log.Line("Hanging until killed: CW_SAMPLE_SETUP_HANG is set");
    sample::HangForever();
  }
  if (modes.seconds > 0) {
    log.Line("Taking " + std::to_string(modes.seconds) + " seconds: CW_SAMPLE_SETUP_SECONDS is set");
    sample::SleepSeconds(modes.seconds);
  }

  if (!sample::InstallProduct(options, log, error)) {
    log.Line("Installation failed: " + error);
    return Fail(kExitInstallFailed, error);
  }
  log.Line("Installation finished");
  log.Line("Log closed.");
  return 0;
}
