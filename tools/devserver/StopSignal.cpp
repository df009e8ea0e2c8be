#include "StopSignal.h"

#include <signal.h>

namespace devserver {
namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

bool PrepareStopSignals() {
  if (signal(SIGPIPE, SIG_IGN) == SIG_ERR) return false;
  const sigset_t set = StopSet();
  return pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

int WaitForStopSignal() {
  const sigset_t set = StopSet();
  int sig = 0;
  while (sigwait(&set, &sig) != 0) {
  }
  return sig;
}

}  // namespace devserver
