// The program with the switches its end-to-end tests need, read from the
// environment. Only the tests build it: the shipped program reads none of
// them, so nothing dropped beside it can make it crash, change the consent to
// uploads or linger.
//   CW_CRASH_TEST=<stage>[:abort]   crash at that start-up stage with SIGSEGV (an
//                                   invalid write) or, with ":abort", SIGABRT.
//                                   "early": before the log exists; "startup":
//                                   log and instance lock in place.
//   CW_CRASH_TEST_DOWNLOADER_CONFIG=<0..2>  the downloader config of the run.
//   CW_HEADLESS_HOLD_MS=<1..600000> the headless run stays alive as long, as if a
//                                   window were open (single-instance tests).
#include "AppSeams.h"
#include "CrashHandler.h"
#include "SingleUserLog.h"
#include "platform/crash_handler.h"
#include "platform/log.h"
#include "wWndMain.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

const char* Switch(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr || *value == '\0' ? nullptr : value;
}

void ApplyDownloaderConfig() {
  const char* text = Switch("CW_CRASH_TEST_DOWNLOADER_CONFIG");
  if (text == nullptr) return;
  const std::string value(text);
  if (value.size() != 1 || value[0] < '0' || value[0] > '2') {
    CWLOG << " Test switch CW_CRASH_TEST_DOWNLOADER_CONFIG ignored: [" << value << "]";
    return;
  }
  CSingleUserLog::GetInstance().SetDownloaderConfig(value[0] - '0');
  CWLOG << " Test switch: downloader config " << value;
  FuntionImpl::RefreshCrashHandler();
}

void CrashIfAsked(StartupStage stage) {
  const char* text = Switch("CW_CRASH_TEST");
  if (text == nullptr) return;
  std::string value(text);
  cwplat::CrashKind kind = cwplat::CrashKind::InvalidWrite;
  if (value.ends_with(":abort")) {
    kind = cwplat::CrashKind::Abort;
    value.resize(value.size() - 6);
  }
  if (value != "early" && value != "startup") {
    CWLOG << " Test switch CW_CRASH_TEST ignored: [" << text << "]";
    return;
  }
  if ((value == "early") != (stage == StartupStage::Early)) return;
  CWLOG << " Test switch: crashing at " << text;
  cwplat::ProvokeCrash(kind);
}

void HoldAsIfWindowOpen() {
  const char* text = Switch("CW_HEADLESS_HOLD_MS");
  if (text == nullptr) return;
  const long ms = std::strtol(text, nullptr, 10);
  if (ms > 0 && ms <= 600000) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

int main(int argc, char** argv) {
  AppSeams& seams = GetAppSeams();
  seams.atStartupStage = [](StartupStage stage) {
    ApplyDownloaderConfig();
    CrashIfAsked(stage);
  };
  seams.runMainWindow = [headless = seams.runMainWindow] {
    headless();
    HoldAsIfWindowOpen();
    return true;
  };
  return ProcessMain(argc, argv);
}
