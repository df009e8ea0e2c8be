#include "Common/wWndMain.h"

#include "platform/log.h"

int wWinMain(const std::string& commandLine) {
  cwlog::ConfigureConsoleOnly();
  CWLOG << " start " << commandLine;
  return 0;
}
