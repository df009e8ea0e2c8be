// The process entry of the Linux build: keeps the command line and hands over
// to wWinMain, which owns the whole life of the process.
#include "Common/wWndMain.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
  cwplat::SetCommandLine(argc, argv);
  return wWinMain(cwplat::GetCommandLine());
}
