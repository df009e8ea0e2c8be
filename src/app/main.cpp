// The process entry of the Linux build: the program's windows on the desktop.
#include "AppSeams.h"
#include "DesktopWindows.h"
#include "wWndMain.h"

int main(int argc, char** argv) {
  AppSeams& seams = GetAppSeams();
  seams.runMainWindow = &RunMainWindow;
  seams.raiseMainWindow = &RaiseMainWindow;
  seams.waitForAllThreadExit = &WaitForMainWindowThreads;
  return ProcessMain(argc, argv);
}
