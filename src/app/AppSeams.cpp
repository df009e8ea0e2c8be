#include "AppSeams.h"

#include "platform/log.h"


namespace {

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
    return true;
  };
  seams.raiseMainWindow = [] { CWLOG << " Raise requested by a second copy"; };
  seams.waitForAllThreadExit = [] {};
  seams.atStartupStage = [](StartupStage) {};
  return seams;
}

}  // namespace

AppSeams& GetAppSeams() {
  static AppSeams seams = MakeDefaults();
  return seams;
}
