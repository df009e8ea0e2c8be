#include "platform/crash_handler_parts.h"

#include "platform/crash_handler_text.h"

#include <execinfo.h>
#include <fcntl.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace cwplat {
namespace {

constexpr int kMaxFrames = 64;
// A memory map of a few thousand lines is a few hundred KiB; beyond this the
// process was not healthy enough for more to help.
constexpr std::size_t kMaxMapsBytes = 4 * 1024 * 1024;

bool WriteText(int fd, const CCrashText& text) { return CrashWriteAll(fd, text.data(), text.size()); }

bool WriteRegister(int fd, const char* name, std::uint64_t value, int hexDigits) {
  char buffer[64];
  CCrashText line(buffer, sizeof buffer);
  line.Add(name).Add(' ').Hex(value, hexDigits).Add('\n');
  return WriteText(fd, line);
}

}  // namespace

bool CrashWriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteCrashRegisters(int fd, const void* ucontext) {
  bool ok = CrashWriteAll(fd, "[registers]\n", 12);
  if (ucontext == nullptr) return ok && CrashWriteAll(fd, "unavailable\n", 12);
  const auto* uc = static_cast<const ucontext_t*>(ucontext);
#if defined(__x86_64__)
  static const char* const kNames[] = {"r8",  "r9",  "r10", "r11", "r12", "r13",    "r14",    "r15",
                                       "rdi", "rsi", "rbp", "rbx", "rdx", "rax",    "rcx",    "rsp",
                                       "rip", "efl", "csgsfs", "err", "trapno", "oldmask", "cr2"};
  static_assert(sizeof kNames / sizeof kNames[0] == NGREG);
  for (int i = 0; i < NGREG; ++i) {
    ok = WriteRegister(fd, kNames[i], static_cast<std::uint64_t>(uc->uc_mcontext.gregs[i]), 16) && ok;
  }
#elif defined(__i386__)
  static const char* const kNames[] = {"gs",  "fs",  "es",  "ds",     "edi", "esi", "ebp", "esp", "ebx", "edx",
                                       "ecx", "eax", "trapno", "err", "eip", "cs",  "efl", "uesp", "ss"};
  static_assert(sizeof kNames / sizeof kNames[0] == NGREG);
  for (int i = 0; i < NGREG; ++i) {
    ok = WriteRegister(fd, kNames[i], static_cast<std::uint32_t>(uc->uc_mcontext.gregs[i]), 8) && ok;
  }
#elif defined(__aarch64__)
  static const char* const kNames[] = {"x0",  "x1",  "x2",  "x3",  "x4",  "x5",  "x6",  "x7",  "x8",  "x9",  "x10",
                                       "x11", "x12", "x13", "x14", "x15", "x16", "x17", "x18", "x19", "x20", "x21",
                                       "x22", "x23", "x24", "x25", "x26", "x27", "x28", "x29", "x30"};
  for (int i = 0; i < 31; ++i) ok = WriteRegister(fd, kNames[i], uc->uc_mcontext.regs[i], 16) && ok;
  ok = WriteRegister(fd, "sp", uc->uc_mcontext.sp, 16) && ok;
  ok = WriteRegister(fd, "pc", uc->uc_mcontext.pc, 16) && ok;
  ok = WriteRegister(fd, "pstate", uc->uc_mcontext.pstate, 16) && ok;
  ok = WriteRegister(fd, "fault_address", uc->uc_mcontext.fault_address, 16) && ok;
#else
  (void)uc;
  ok = CrashWriteAll(fd, "unavailable on this architecture\n", 33) && ok;
#endif
  return ok;
}

void WarmUpCrashBacktrace() {
  void* frames[4];
  backtrace(frames, 4);
}

bool WriteCrashBacktrace(int fd) {
  bool ok = CrashWriteAll(fd, "[backtrace]\n", 12);
  void* frames[kMaxFrames];
  const int count = backtrace(frames, kMaxFrames);
  if (count > 0) backtrace_symbols_fd(frames, count, fd);  // writes without malloc
  return ok && count > 0;
}

bool WriteCrashMemoryMap(int fd) {
  bool ok = CrashWriteAll(fd, "[maps]\n", 7);
  const int maps = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (maps < 0) return false;
  char buffer[4096];
  std::size_t total = 0;
  bool endsWithNewline = true;
  while (total < kMaxMapsBytes) {
    const ssize_t n = read(maps, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    ok = CrashWriteAll(fd, buffer, static_cast<std::size_t>(n)) && ok;
    endsWithNewline = buffer[n - 1] == '\n';
    total += static_cast<std::size_t>(n);
  }
  close(maps);
  if (!endsWithNewline) ok = CrashWriteAll(fd, "\n", 1) && ok;
  return CrashWriteAll(fd, "[end of maps]\n", 14) && ok;
}

}  // namespace cwplat
