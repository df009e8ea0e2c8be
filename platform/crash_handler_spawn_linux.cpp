// The upload copy started from inside the fatal-signal handler: a raw fork
// and execve of the running executable, async-signal-safe throughout.
#include "platform/crash_handler_parts.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

extern char** environ;

namespace cwplat {
namespace {

constexpr long kMaxFdToClose = 65536;
long g_closeFdLimit = 1024;

pid_t RawFork() {
  // Not fork(): glibc's fork runs the atfork handlers, which take malloc's
  // locks, and a crash inside malloc holds one of them.
#ifdef SYS_fork
  return static_cast<pid_t>(syscall(SYS_fork));
#else
  return static_cast<pid_t>(syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0));
#endif
}

void CloseInheritedFiles() {
#ifdef SYS_close_range
  if (syscall(SYS_close_range, 3u, ~0u, 0u) == 0) return;
#endif
  for (long fd = 3; fd < g_closeFdLimit; ++fd) close(static_cast<int>(fd));
}

}  // namespace

void PrepareCrashUploadCopy() {
  const long openMax = sysconf(_SC_OPEN_MAX);
  g_closeFdLimit = openMax > 3 && openMax < kMaxFdToClose ? openMax : kMaxFdToClose;
}

// Hidden: own session, no terminal input, none of our descriptors (a raise
// listener must not live on in the upload copy).
void StartCrashUploadCopy(const char* executablePath, const char* dumpPath) {
  const char* name = dumpPath;
  for (const char* p = dumpPath; *p != '\0'; ++p) {
    if (*p == '/') name = p + 1;
  }
  char dmp[] = "-dmp";
  char* argv[] = {const_cast<char*>(executablePath[0] != '\0' ? executablePath : "cw_downloader"), dmp,
                  const_cast<char*>(name), nullptr};
  if (RawFork() != 0) return;
  // A fault here must end this child, not wait for the crash the parent owns.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  for (int signal : kCrashSignals) sigaction(signal, &fallback, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);  // the handler's mask would carry over execve
  setsid();
  const int devNull = open("/dev/null", O_RDWR);
  if (devNull >= 0) {
    dup2(devNull, STDIN_FILENO);
    if (devNull > STDERR_FILENO) close(devNull);
  }
  CloseInheritedFiles();
  execve("/proc/self/exe", argv, environ);
  _exit(127);
}

}  // namespace cwplat
