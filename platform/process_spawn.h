// Starting other programs: an argument vector handed to the program as it is
// (no shell ever parses it), an optional working folder, and a wait with a
// time limit. Errors are the Windows error numbers the program reports,
// mapped from errno.
#pragma once

#include "platform/file_io.h"  // the error numbers shared with file operations

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cwplat {

struct SpawnOptions {
  // The child's current folder; empty keeps ours.
  std::string workingFolder;
  // A process group of its own: the child outlives us and is not hit by the
  // signals a terminal sends to our group (Ctrl+C).
  bool ownProcessGroup = true;
};

enum class WaitResult { Ended, Running, Error };

// One started program. The child gets our environment, default signal
// handling, an empty signal mask and only the standard descriptors 0-2.
class SpawnedProcess {
 public:
  SpawnedProcess() = default;
  // A child still running is released (see Release), never killed.
  ~SpawnedProcess();
  SpawnedProcess(SpawnedProcess&& other) noexcept;
  SpawnedProcess& operator=(SpawnedProcess&& other) noexcept;
  SpawnedProcess(const SpawnedProcess&) = delete;
  SpawnedProcess& operator=(const SpawnedProcess&) = delete;

  // Starts argv[0] (a path; $PATH is not searched) with argv as its arguments.
  // 0 when the program runs, else the error number; a program that cannot be
  // executed is reported here, not discovered by a later Wait. An argument
  // holding a NUL byte is refused (kErrorInvalidParameter). A process already
  // held is released first.
  int Start(const std::vector<std::string>& argv, const SpawnOptions& options = {});

  bool started() const { return m_pid > 0; }
  int pid() const { return m_pid; }

  // Waits up to timeoutMs for the child to end (2^40 ms or more: no limit).
  // Ended also when an earlier call saw it end; Error when there is no child.
  WaitResult Wait(std::uint64_t timeoutMs);
  // The exit status (128 + signal number for a signal) once Wait saw the end;
  // nothing before that, or when someone else collected the child.
  std::optional<int> exitCode() const { return m_exitCode; }

  // Gives the child up and lets it run on. A thread of its own waits for it
  // and reaps it when it ends, so it does not stay a zombie.
  void Release();

 private:
  bool Poll();  // true once the child has ended

  int m_pid = -1;
  bool m_ended = false;
  std::optional<int> m_exitCode;
};

// The full path of the executable file `name` in the folders of $PATH, or ""
// when there is none. Names holding '/' are not looked up.
std::string FindExecutableOnPath(const std::string& name);

}  // namespace cwplat
