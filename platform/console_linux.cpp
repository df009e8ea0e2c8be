#include "platform/console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace cwplat {

bool AttachDebugConsole() {
  if (isatty(STDOUT_FILENO)) return true;
  const int tty = open("/dev/tty", O_WRONLY | O_CLOEXEC);
  if (tty < 0) return false;
  std::fflush(stdout);
  const bool ok = dup2(tty, STDOUT_FILENO) >= 0;
  close(tty);
  return ok;
}

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

}  // namespace cwplat
