// The process-wide crash handler: a handler for the fatal signals (SIGSEGV,
// SIGBUS, SIGILL, SIGFPE, SIGABRT) that runs on an alternate signal stack,
// releases the instance lock, writes a crash report ("dump") and may start a
// hidden copy of the program that uploads it; then the signal is raised again
// with its default action, so the process still ends as crashed.
//
// A crash can strike while any lock is held, malloc's included, so the handler
// does only async-signal-safe work: everything it needs (paths, the command of
// the upload copy, the header texts) is prepared here, while it is safe, into
// fixed buffers; the handler uses open/write/read/close, clock_gettime, fstat,
// backtrace (warmed up at install) and a raw fork + execve.
//
// Dump format (UTF-8 text, one item per line, "\n" line ends):
//
//   CW crash report 1
//   time: 20240131235959123           local time, as in the dump file name
//   pid: 1234
//   tid: 1240                          the crashing thread
//   <header lines of the context>      "key: value" lines, e.g. version
//   signal: 11 SIGSEGV
//   code: 1                            si_code
//   address: 0x0000000000000000        si_addr (fault address)
//   log:  Exception handler entered.   the handler's log lines so far
//   log:  Release mutex: 1, 0
//   log:  Create dmp file: 5, 0
//   [registers]
//   rip 0x...                          one register a line, from the ucontext
//   [backtrace]
//   <backtrace_symbols_fd lines>       the crashing thread, innermost first
//   [maps]
//   <copy of /proc/self/maps>
//   [end of maps]
//   log:  Write dmp file: 1, 0         written last: all of the above reached the file
//   [end]
//
// The handler also writes its log lines to standard error. It never writes to
// the program's log: that logger locks and allocates. ReadCrashDumpLogLines
// gives the "log:" lines back to whoever reads the dump later (the upload run).
#pragma once

#include "platform/paths.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cwplat {

// What the handler works with, prepared while it is safe.
struct CrashContext {
  // Full path of the dump; "" means fallbackPrefix + local time stamp + ".dmp"
  // ("%.4d%.2d%.2d%.2d%.2d%.2d%.3d", worked out in the handler).
  std::string dumpPath;
  std::string fallbackPrefix;
  // After a dump was written: start "<own executable> -dmp <dump file name>"
  // hidden, in a session of its own.
  bool startUpload = false;
  // argv[0] of the upload copy (the executable itself is /proc/self/exe).
  std::string executablePath;
  // The instance lock's open file (CInstanceLock::NativeHandleForCrash), -1
  // when none. The handler closes it only while it is still that lock file.
  int instanceLockFd = -1;
  // Extra "key: value" lines for the dump header (each ends with "\n").
  std::string headerLines;
};

// Longest texts the handler keeps; a context with longer ones is refused.
inline constexpr std::size_t kCrashMaxPath = 4096;
inline constexpr std::size_t kCrashMaxHeader = 2048;

// Installs the handler for the fatal signals, with an alternate signal stack
// for the calling thread; a context with the temporary folder as fallback
// prefix is in place until SetCrashContext. False when the system refused.
// Installing again only refreshes the calling thread's alternate stack.
bool InstallCrashHandler();

// Replaces the handler's context; false (previous context kept) when a text
// is too long. Safe to call from any thread, also while another thread is
// crashing (the handler keeps the context it started with).
bool SetCrashContext(const CrashContext& context);

// A thread gets its own alternate signal stack, so that a stack overflow on it
// still reaches the handler. The main thread gets one at install; other
// threads may call this once when they start. False when it cannot be had.
bool EnsureCrashAltStackForThisThread();

enum class CrashKind {
  InvalidWrite,  // a write to an inaccessible page: SIGSEGV with a real fault address
  Abort,         // abort(): SIGABRT
};
// Crashes the process on purpose (the CrashTest setting, tests). Never returns.
[[noreturn]] void ProvokeCrash(CrashKind kind);

// The "log:" lines of a dump (without the "log: " tag), in file order, from
// its header and its trailer. A file that cannot be read gives none; at most
// kMaxCrashLogLines lines of at most kMaxCrashLogLineBytes are read from at
// most kMaxCrashDumpBytes of the file.
inline constexpr std::size_t kMaxCrashLogLines = 32;
inline constexpr std::size_t kMaxCrashLogLineBytes = 4096;
inline constexpr std::size_t kMaxCrashDumpBytes = 64 * 1024 * 1024;
std::vector<std::string> ReadCrashDumpLogLines(const std::string& dumpPath);

// The local time for a moment given as seconds and milliseconds since the
// epoch and the UTC offset in seconds, with plain arithmetic (no locale, no
// time zone files: the handler takes the offset at install).
LocalTime CrashLocalTime(std::int64_t epochSeconds, int milliseconds, long utcOffsetSeconds);
// "%.4d%.2d%.2d%.2d%.2d%.2d%.3d" without stdio into out (at least 32 bytes);
// returns the length.
std::size_t FormatCrashTimeStamp(const LocalTime& time, char* out, std::size_t size);

}  // namespace cwplat
