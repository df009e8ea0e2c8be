// The body of a crash report, written from inside the signal handler with
// async-signal-safe calls only (format in crash_handler.h). Internal to the
// crash handler.
#pragma once

#include <csignal>
#include <cstddef>

namespace cwplat {

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

}  // namespace cwplat
