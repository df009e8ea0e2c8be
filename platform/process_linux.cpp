#include "platform/process.h"

#include "platform/read_bounded.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>

namespace cwplat {
namespace {

// A pid directory name: digits only, within int.
std::optional<int> ParsePid(const char* name) {
  if (name == nullptr || *name == '\0') return std::nullopt;
  long long value = 0;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return std::nullopt;
    value = value * 10 + (*p - '0');
    if (value > INT_MAX) return std::nullopt;
  }
  return value > 0 ? std::optional<int>(static_cast<int>(value)) : std::nullopt;
}

std::string ProcPath(int pid, const char* leaf) { return "/proc/" + std::to_string(pid) + "/" + leaf; }

// The state letter of /proc/<pid>/stat: the field after the command name,
// which ends at the last ')' (the name itself may hold blanks and parentheses).
char ProcessState(int pid) {
  const auto stat = ReadFileBounded(ProcPath(pid, "stat"), 4096);
  if (!stat) return '\0';
  const std::size_t close = stat->rfind(')');
  if (close == std::string::npos || close + 2 >= stat->size()) return '\0';
  return (*stat)[close + 2];
}

std::string ShortName(int pid) {
  std::string comm = ReadFileBounded(ProcPath(pid, "comm"), 64).value_or("");
  while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\r')) comm.pop_back();
  return comm;
}

}  // namespace

std::vector<ProcessEntry> SnapshotProcesses() {
  std::vector<ProcessEntry> entries;
  DIR* dir = opendir("/proc");
  if (dir == nullptr) return entries;
  while (const dirent* entry = readdir(dir)) {
    const auto pid = ParsePid(entry->d_name);
    if (!pid) continue;
    ProcessEntry process;
    process.pid = *pid;
    if (const auto exe = GetProcessModulePath(*pid)) {
      const std::size_t slash = exe->rfind('/');
      process.exeName = slash == std::string::npos ? *exe : exe->substr(slash + 1);
    } else {
      process.exeName = ShortName(*pid);
    }
    entries.push_back(std::move(process));
  }
  closedir(dir);
  std::sort(entries.begin(), entries.end(), [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
  return entries;
}

std::optional<std::string> GetProcessModulePath(int pid) {
  if (pid <= 0) return std::nullopt;
  char buffer[PATH_MAX + 32];
  const std::string link = ProcPath(pid, "exe");
  const ssize_t n = readlink(link.c_str(), buffer, sizeof(buffer) - 1);
  if (n <= 0) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(n));
}

int GetCurrentProcessId() { return static_cast<int>(getpid()); }

bool TerminateProcess(int pid, int waitMs, int* error) {
  if (error != nullptr) *error = 0;
  if (pid <= 0 || kill(pid, SIGKILL) != 0) {
    if (error != nullptr) *error = errno == ESRCH ? 87 /* ERROR_INVALID_PARAMETER */ : 5 /* ERROR_ACCESS_DENIED */;
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  for (;;) {
    const char state = ProcessState(pid);
    if (state == '\0' || state == 'Z' || state == 'X') return true;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (error != nullptr) *error = 1460;  // ERROR_TIMEOUT
  return false;
}

}  // namespace cwplat
