#include "platform/process_spawn.h"

#include "platform/file_io.h"
#include "platform/log.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace cwplat {
namespace {

// How often a timed wait looks at the child.
constexpr auto kPollStep = std::chrono::milliseconds(10);
constexpr std::uint64_t kForeverMs = std::uint64_t{1} << 40;

// One thread per released child, blocked in waitpid on that pid alone (never
// -1, which would steal other owners' children).
void HandToReaper(pid_t pid) {
  try {
    std::thread([pid] {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // Out of threads: the ended child stays a zombie until we exit.
    CWLOG << " No thread to reap process " << pid;
  }
}

// The spawn attributes and file actions, destroyed on every path.
class SpawnSetup {
 public:
  SpawnSetup() {
    m_attrOk = posix_spawnattr_init(&m_attr) == 0;
    m_actionsOk = posix_spawn_file_actions_init(&m_actions) == 0;
  }
  ~SpawnSetup() {
    if (m_attrOk) posix_spawnattr_destroy(&m_attr);
    if (m_actionsOk) posix_spawn_file_actions_destroy(&m_actions);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // 0 or an errno value.
  int Prepare(const SpawnOptions& options) {
    if (!m_attrOk || !m_actionsOk) return ENOMEM;
    // Handlers are reset by exec anyway, but ignored signals (SIGPIPE) and
    // the mask would be inherited.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (options.ownProcessGroup) flags |= POSIX_SPAWN_SETPGROUP;
    int rc = posix_spawnattr_setflags(&m_attr, flags);
    if (rc == 0) rc = posix_spawnattr_setsigmask(&m_attr, &none);
    if (rc == 0) rc = posix_spawnattr_setsigdefault(&m_attr, &all);
    if (rc == 0 && options.ownProcessGroup) rc = posix_spawnattr_setpgroup(&m_attr, 0);
    // Our sockets, lock files and log file are none of the child's business.
    if (rc == 0) rc = posix_spawn_file_actions_addclosefrom_np(&m_actions, 3);
    if (rc == 0 && !options.workingFolder.empty()) {
      rc = posix_spawn_file_actions_addchdir_np(&m_actions, options.workingFolder.c_str());
    }
    return rc;
  }

  const posix_spawnattr_t* attr() const { return &m_attr; }
  const posix_spawn_file_actions_t* actions() const { return &m_actions; }

 private:
  posix_spawnattr_t m_attr{};
  posix_spawn_file_actions_t m_actions{};
  bool m_attrOk = false;
  bool m_actionsOk = false;
};

bool HasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

}  // namespace

SpawnedProcess::~SpawnedProcess() { Release(); }

SpawnedProcess::SpawnedProcess(SpawnedProcess&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)),
      m_ended(std::exchange(other.m_ended, false)),
      m_exitCode(std::exchange(other.m_exitCode, std::nullopt)) {}

SpawnedProcess& SpawnedProcess::operator=(SpawnedProcess&& other) noexcept {
  if (this != &other) {
    Release();
    m_pid = std::exchange(other.m_pid, -1);
    m_ended = std::exchange(other.m_ended, false);
    m_exitCode = std::exchange(other.m_exitCode, std::nullopt);
  }
  return *this;
}

int SpawnedProcess::Start(const std::vector<std::string>& argv, const SpawnOptions& options) {
  Release();
  if (argv.empty() || argv.front().empty() || HasNul(options.workingFolder) ||
      std::any_of(argv.begin(), argv.end(), HasNul)) {
    CWLOG << " Cannot start a program: empty path or an argument holding a NUL byte";
    return kErrorInvalidParameter;
  }
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  SpawnSetup setup;
  int rc = setup.Prepare(options);
  pid_t pid = -1;
  // glibc's posix_spawn returns the exec (and chdir) failure of the child.
  if (rc == 0) rc = posix_spawn(&pid, args.front(), setup.actions(), setup.attr(), args.data(), environ);
  if (rc != 0) {
    CWLOG << " Cannot start " << argv.front() << ": " << std::strerror(rc);
    return WindowsErrorFromErrno(rc);
  }
  m_pid = pid;
  m_ended = false;
  m_exitCode.reset();
  return 0;
}

bool SpawnedProcess::Poll() {
  if (m_ended) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(m_pid, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  m_ended = true;
  if (r == m_pid) {
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // r < 0 (ECHILD): collected elsewhere (SIGCHLD ignored); it is gone all the same.
  return true;
}

WaitResult SpawnedProcess::Wait(std::uint64_t timeoutMs) {
  if (!started()) return WaitResult::Error;
  // Far enough to mean "no limit" without overflowing the clock.
  const bool forever = timeoutMs >= kForeverMs;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
  for (;;) {
    if (Poll()) return WaitResult::Ended;
    const auto now = std::chrono::steady_clock::now();
    if (forever) {
      std::this_thread::sleep_for(kPollStep);
      continue;
    }
    if (now >= deadline) return WaitResult::Running;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kPollStep, deadline - now));
  }
}

void SpawnedProcess::Release() {
  if (!started()) return;
  if (!Poll()) HandToReaper(m_pid);
  m_pid = -1;
  m_ended = false;
  m_exitCode.reset();
}

std::string FindExecutableOnPath(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return {};
  const char* env = std::getenv("PATH");
  const std::string path = env != nullptr ? env : "/usr/bin:/bin";
  std::size_t begin = 0;
  while (begin <= path.size()) {
    std::size_t end = path.find(':', begin);
    if (end == std::string::npos) end = path.size();
    const std::string folder = path.substr(begin, end - begin);
    begin = end + 1;
    // An empty entry would mean the current folder: not a place to run programs from.
    if (folder.empty() || folder.front() != '/') continue;
    const std::string candidate = folder + "/" + name;
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

}  // namespace cwplat
