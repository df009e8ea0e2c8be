// The process entry of the Linux build: keeps the command line and hands over
// to wWinMain, which owns the whole life of the process.
#include "UnattendedOptions.h"
#include "platform/paths.h"
#include "wWndMain.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
  cwplat::SetCommandLine(argc, argv);
  // The unattended switches are read from the vector, before the joined
  // command line's dispatch could mistake a folder name for one of its words.
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return wWinMain(cwplat::GetCommandLine(), ParseUnattendedArgs(args));
}
