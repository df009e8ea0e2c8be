#include "AppSeams.h"

#include "platform/log.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// Until the window exists, a test can keep the process alive as if a window
// were open, to exercise the single-instance rules with real processes.
void HoldAsIfWindowOpen() {
  const char* hold = std::getenv("CW_HEADLESS_HOLD_MS");
  if (hold == nullptr) return;
  const long ms = std::strtol(hold, nullptr, 10);
  if (ms > 0 && ms <= 600000) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

AppSeams MakeDefaults() {
  AppSeams seams;
  seams.installCrashHandler = [] { CWLOG << " Crash handler not available in this build"; };
  seams.uploadRun = [](const std::string& fileName, const std::string& catalogue, bool includeDumps) {
    CWLOG << " Upload run not available in this build: file " << fileName << ", catalogue " << catalogue
          << ", dumps " << includeDumps;
    return 1;
  };
  seams.showMessageBox = [](EnumMsgType type, EnumLanguage language) {
    CWLOG << " Message box " << static_cast<int>(type) << " in language " << static_cast<int>(language);
  };
  seams.runMainWindow = [] {
    CWLOG << " No main window in this build; running headless";
    HoldAsIfWindowOpen();
  };
  seams.raiseMainWindow = [] { CWLOG << " Raise requested by a second copy"; };
  seams.waitForAllThreadExit = [] {};
  return seams;
}

}  // namespace

AppSeams& GetAppSeams() {
  static AppSeams seams = MakeDefaults();
  return seams;
}
