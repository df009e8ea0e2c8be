// Other processes of this machine: a snapshot of the running processes, the
// executable each one runs, and ending one. Read from /proc; processes of other
// users whose details /proc hides are listed with what can be read.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cwplat {

struct ProcessEntry {
  int pid = 0;
  // File name of the executable (the last part of its path); the kernel's
  // short command name when the executable cannot be read.
  std::string exeName;
};

// The running processes in ascending pid order.
std::vector<ProcessEntry> SnapshotProcesses();

// Full path of the executable a process runs; nothing when it is gone or not
// ours to inspect. A deleted executable keeps the kernel's " (deleted)" mark.
std::optional<std::string> GetProcessModulePath(int pid);

int GetCurrentProcessId();

// Ends a process at once (SIGKILL) and waits up to waitMs until it has let go
// of its files (it is gone or only a zombie is left). False, with the Windows
// error number in *error, when the signal cannot be sent or it does not end in time.
bool TerminateProcess(int pid, int waitMs, int* error);

}  // namespace cwplat
