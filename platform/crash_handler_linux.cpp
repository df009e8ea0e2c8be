#include "platform/crash_handler.h"

#include "platform/crash_handler_parts.h"
#include "platform/crash_handler_text.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

namespace cwplat {
namespace {

// A handler stuck (say, in the loader's lock inside backtrace) must not keep a
// dead process alive: SIGALRM's default action ends it.
constexpr unsigned kWatchdogSeconds = 20;

// One prepared context. Two of them: SetCrashContext fills the one the
// handler is not using and then switches.
struct Slot {
  char dumpPath[kCrashMaxPath];
  char fallbackPrefix[kCrashMaxPath];
  char executablePath[kCrashMaxPath];
  char header[kCrashMaxHeader];
  bool startUpload;
  int lockFd;
  bool lockKnown;
  dev_t lockDev;
  ino_t lockIno;
  long utcOffsetSeconds;
};

Slot g_slots[2];
std::atomic<int> g_active{0};
std::atomic<bool> g_crashing{false};   // set by the handler; SetCrashContext then leaves the slots alone
std::atomic<pid_t> g_owner{0};         // the thread that handles the crash
std::atomic<bool> g_installed{false};
std::mutex g_contextMutex;

// The handler's own log lines, "log: <text>\n" each, kept for the dump header.
char g_logLines[4096];
// The dump path when it is made from the fallback prefix.
char g_fallbackPath[kCrashMaxPath + 64];

static_assert(std::atomic<pid_t>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
                  std::atomic<bool>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

long CurrentUtcOffset() {
  const time_t now = time(nullptr);
  tm local{};
  if (localtime_r(&now, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

bool CopyText(char* target, std::size_t capacity, const std::string& text) {
  if (text.size() >= capacity || text.find('\0') != std::string::npos) return false;
  std::memcpy(target, text.c_str(), text.size() + 1);
  return true;
}

bool FillSlot(Slot& slot, const CrashContext& context) {
  if (!CopyText(slot.dumpPath, sizeof slot.dumpPath, context.dumpPath) ||
      !CopyText(slot.fallbackPrefix, sizeof slot.fallbackPrefix, context.fallbackPrefix) ||
      !CopyText(slot.executablePath, sizeof slot.executablePath, context.executablePath) ||
      !CopyText(slot.header, sizeof slot.header, context.headerLines)) {
    return false;
  }
  slot.startUpload = context.startUpload;
  slot.lockFd = context.instanceLockFd;
  struct stat st {};
  slot.lockKnown = context.instanceLockFd >= 0 && fstat(context.instanceLockFd, &st) == 0;
  slot.lockDev = slot.lockKnown ? st.st_dev : 0;
  slot.lockIno = slot.lockKnown ? st.st_ino : 0;
  slot.utcOffsetSeconds = CurrentUtcOffset();
  return true;
}

// ---- inside the handler: async-signal-safe only ----

pid_t CurrentTid() { return static_cast<pid_t>(syscall(SYS_gettid)); }

void HandlerLog(CCrashText& lines, CCrashText& line) {
  line.Add('\n');
  CrashWriteAll(STDERR_FILENO, line.data(), line.size());
  lines.Add("log: ").Add(std::string_view(line.data(), line.size()));
}

void ReleaseInstanceLock(const Slot& slot, CCrashText& lines) {
  if (slot.lockFd < 0 || !slot.lockKnown) return;
  struct stat st {};
  // Only while the descriptor still is the lock file: after a normal release
  // the number may name something else by now.
  if (fstat(slot.lockFd, &st) != 0 || st.st_dev != slot.lockDev || st.st_ino != slot.lockIno) return;
  const int result = close(slot.lockFd) == 0 ? 1 : 0;
  const int error = result == 1 ? 0 : errno;
  char buffer[96];
  CCrashText line(buffer, sizeof buffer);
  line.Add(" Release mutex: ").Dec(result).Add(", ").Dec(error);
  HandlerLog(lines, line);
}

const char* FallbackPath(const Slot& slot, const char* stamp) {
  CCrashText path(g_fallbackPath, sizeof g_fallbackPath);
  path.Add(slot.fallbackPrefix).Add(stamp).Add(".dmp");
  return g_fallbackPath;
}

// O_NOFOLLOW: a link planted under the dump's name must not redirect the write.
int CreateDump(const char* path, CCrashText& lines, CCrashText& line) {
  const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  line.Clear();
  line.Add(" Create dmp file: ").Dec(fd).Add(", ").Dec(fd < 0 ? errno : 0);
  HandlerLog(lines, line);
  return fd;
}

bool WriteHeader(int fd, const Slot& slot, const char* stamp, int signal, const siginfo_t* info,
                 const CCrashText& lines) {
  char buffer[1024];
  CCrashText head(buffer, sizeof buffer);
  head.Add("CW crash report 1\ntime: ").Add(stamp).Add("\npid: ").Dec(getpid()).Add("\ntid: ").Dec(CurrentTid());
  head.Add('\n');
  bool ok = CrashWriteAll(fd, head.data(), head.size());
  ok = CrashWriteAll(fd, slot.header, std::strlen(slot.header)) && ok;
  head.Clear();
  head.Add("signal: ").Dec(signal).Add(' ').Add(CrashSignalName(signal)).Add("\ncode: ");
  head.Dec(info != nullptr ? info->si_code : 0).Add("\naddress: ");
  head.Hex(reinterpret_cast<std::uintptr_t>(info != nullptr ? info->si_addr : nullptr)).Add('\n');
  ok = CrashWriteAll(fd, head.data(), head.size()) && ok;
  return CrashWriteAll(fd, lines.data(), lines.size()) && ok;
}

void EndWithDefaultAction(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  // A fault that comes back from raise repeats on return, now with the default action.
}

void StartWatchdog() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(SIGALRM, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGALRM);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  alarm(kWatchdogSeconds);
}

// Everything after the handler owns the crash; returns with the dump written or not.
void HandleCrash(int signal, siginfo_t* info, void* ucontext) {
  const Slot& slot = g_slots[g_active.load()];
  CCrashText lines(g_logLines, sizeof g_logLines);
  char lineBuffer[kCrashMaxPath + 96];
  CCrashText line(lineBuffer, sizeof lineBuffer);
  line.Add(" Exception handler entered.");
  HandlerLog(lines, line);
  ReleaseInstanceLock(slot, lines);

  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  char stamp[32];
  FormatCrashTimeStamp(CrashLocalTime(now.tv_sec, static_cast<int>(now.tv_nsec / 1000000), slot.utcOffsetSeconds),
                       stamp, sizeof stamp);
  const char* path = slot.dumpPath[0] != '\0' ? slot.dumpPath : FallbackPath(slot, stamp);
  int fd = CreateDump(path, lines, line);
  if (fd < 0 && path == slot.dumpPath) {
    // The log folder went away or is full: a dump in the temporary folder beats none.
    path = FallbackPath(slot, stamp);
    fd = CreateDump(path, lines, line);
  }
  if (fd < 0) return;

  bool ok = WriteHeader(fd, slot, stamp, signal, info, lines);
  ok = WriteCrashRegisters(fd, ucontext) && ok;
  ok = WriteCrashBacktrace(fd) && ok;
  ok = WriteCrashMemoryMap(fd) && ok;
  const int error = ok ? 0 : errno;
  line.Clear();
  line.Add(" Write dmp file: ").Dec(ok ? 1 : 0).Add(", ").Dec(error);
  lines.Clear();
  HandlerLog(lines, line);
  ok = CrashWriteAll(fd, lines.data(), lines.size()) && CrashWriteAll(fd, "[end]\n", 6) && ok;
  close(fd);
  if (ok && slot.startUpload) StartCrashUploadCopy(slot.executablePath, path);
}

void OnFatalSignal(int signal, siginfo_t* info, void* ucontext) {
  StartWatchdog();
  const pid_t self = CurrentTid();
  pid_t expected = 0;
  if (!g_owner.compare_exchange_strong(expected, self)) {
    // A fault inside the handler itself ends the process at once; a crash on
    // another thread waits, the process ends with the first one.
    if (expected == self) {
      EndWithDefaultAction(signal);
      return;
    }
    for (;;) {
      timespec second{1, 0};
      nanosleep(&second, nullptr);
    }
  }
  g_crashing.store(true);
  HandleCrash(signal, info, ucontext);
  EndWithDefaultAction(signal);
}

}  // namespace

bool InstallCrashHandler() {
  const bool stack = EnsureCrashAltStackForThisThread();
  if (g_installed.load()) return stack;

  WarmUpCrashBacktrace();
  PrepareCrashUploadCopy();
  CrashContext initial;
  initial.fallbackPrefix = GetTempFolder();
  initial.executablePath = GetModuleFileName();
  if (!SetCrashContext(initial)) {
    initial.executablePath.clear();
    initial.fallbackPrefix = "/tmp/";
    SetCrashContext(initial);
  }

  struct sigaction action {};
  action.sa_sigaction = &OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int signal : kCrashSignals) sigaddset(&action.sa_mask, signal);
  bool ok = stack;
  for (int signal : kCrashSignals) ok = sigaction(signal, &action, nullptr) == 0 && ok;
  g_installed.store(true);
  return ok;
}

bool SetCrashContext(const CrashContext& context) {
  std::lock_guard<std::mutex> lock(g_contextMutex);
  if (g_crashing.load()) return false;
  const int next = 1 - g_active.load();
  if (!FillSlot(g_slots[next], context)) return false;
  g_active.store(next);
  return true;
}

void ProvokeCrash(CrashKind kind) {
  if (kind == CrashKind::InvalidWrite) {
    // A page that exists but may not be touched: a real SIGSEGV at a known
    // address, without undefined behaviour the compiler could remove.
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page != MAP_FAILED) *static_cast<volatile int*>(page) = 1;
    raise(SIGSEGV);
  }
  std::abort();
}

}  // namespace cwplat
