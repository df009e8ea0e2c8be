// The pieces the fatal-signal handler is made of, each async-signal-safe:
// the body of a crash report (format in crash_handler.h) and the start of the
// upload copy. Internal to the crash handler.
#pragma once

#include <csignal>
#include <cstddef>

namespace cwplat {

// The signals the handler takes.
inline constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

// Writes all of size bytes, retrying on EINTR and short writes.
bool CrashWriteAll(int fd, const char* data, std::size_t size);

// The "[registers]" section from the signal's ucontext.
bool WriteCrashRegisters(int fd, const void* ucontext);
// The "[backtrace]" section: frames of the calling (crashing) thread.
bool WriteCrashBacktrace(int fd);
// The "[maps]" section: /proc/self/maps copied with read/write, bounded.
bool WriteCrashMemoryMap(int fd);

// Loads what backtrace() needs (libgcc's unwinder), so that the first call in
// the handler does not allocate.
void WarmUpCrashBacktrace();

// Done once at install: what the upload copy needs to know beforehand.
void PrepareCrashUploadCopy();
// Starts "<executablePath> -dmp <file name of dumpPath>" from the running
// executable, hidden, and returns at once.
void StartCrashUploadCopy(const char* executablePath, const char* dumpPath);

}  // namespace cwplat
