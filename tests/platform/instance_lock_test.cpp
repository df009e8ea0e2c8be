#include "platform/instance_lock.h"
#include "platform/paths.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace {

using cwplat::CInstanceLock;
using Result = CInstanceLock::Result;

const char kName[] = "ZKT_Downloader_521";

// Runs Acquire in a forked child and returns its result.
Result AcquireInChild(const std::string& folder) {
  const pid_t pid = fork();
  if (pid == 0) {
    CInstanceLock lock(folder);
    _exit(static_cast<int>(lock.Acquire(kName)));
  }
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status));
  return static_cast<Result>(WEXITSTATUS(status));
}

TEST(InstanceLock, SecondProcessSeesItHeldUntilReleased) {
  cwtest::TempDir dir;
  CInstanceLock lock(dir.path());
  ASSERT_EQ(lock.Acquire(kName), Result::Acquired);
  EXPECT_TRUE(lock.IsHeld());
  EXPECT_EQ(lock.LockFilePath(), dir / "ZKT_Downloader_521.lock");
  EXPECT_GE(lock.NativeHandleForCrash(), 0);

  EXPECT_EQ(AcquireInChild(dir.path()), Result::AlreadyExists);

  EXPECT_TRUE(lock.Release());
  EXPECT_FALSE(lock.IsHeld());
  EXPECT_EQ(lock.NativeHandleForCrash(), -1);
  EXPECT_FALSE(lock.Release());
  EXPECT_EQ(AcquireInChild(dir.path()), Result::Acquired);
}

TEST(InstanceLock, SecondObjectInTheSameProcessIsRefused) {
  cwtest::TempDir dir;
  CInstanceLock first(dir.path()), second(dir.path());
  ASSERT_EQ(first.Acquire(kName), Result::Acquired);
  EXPECT_EQ(second.Acquire(kName), Result::AlreadyExists);
  EXPECT_FALSE(second.IsHeld());
  EXPECT_EQ(first.Acquire(kName), Result::AlreadyExists);  // like a second CreateMutex
  EXPECT_EQ(first.Acquire("ZKT_Downloader_7"), Result::Error);
  EXPECT_TRUE(first.IsHeld());
  {
    CInstanceLock scoped(dir.path());
    EXPECT_EQ(scoped.Acquire("ZKT_Downloader_7"), Result::Acquired);
  }  // released by the destructor
  EXPECT_EQ(second.Acquire("ZKT_Downloader_7"), Result::Acquired);
}

// A child process that takes the lock, optionally drops it the way the crash
// handler does (close of the raw handle only), reports and waits to be killed.
pid_t StartHolder(const std::string& folder, bool closeLikeCrashHandler) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    CInstanceLock lock(folder);
    const char state = lock.Acquire(kName) == Result::Acquired ? 'A' : 'E';
    if (closeLikeCrashHandler) close(lock.NativeHandleForCrash());
    if (write(ready[1], &state, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char state = 0;
  const bool reported = read(ready[0], &state, 1) == 1 && state == 'A';
  close(ready[0]);
  return reported ? pid : -1;
}

void Kill(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

TEST(InstanceLock, KilledHolderReleasesTheLock) {
  cwtest::TempDir dir;
  const pid_t pid = StartHolder(dir.path(), false);
  ASSERT_GT(pid, 0);
  CInstanceLock lock(dir.path());
  EXPECT_EQ(lock.Acquire(kName), Result::AlreadyExists);
  Kill(pid);
  EXPECT_EQ(lock.Acquire(kName), Result::Acquired);
}

TEST(InstanceLock, CrashHandlerReleasesWithCloseAlone) {
  cwtest::TempDir dir;
  const pid_t pid = StartHolder(dir.path(), true);
  ASSERT_GT(pid, 0);
  CInstanceLock lock(dir.path());
  EXPECT_EQ(lock.Acquire(kName), Result::Acquired);  // while the crashed holder still exists
  Kill(pid);
}

// A program started by the holder must not inherit the lock file, or it would
// keep the lock after the holder is gone.
TEST(InstanceLock, StartedProgramsDoNotInheritTheLock) {
  cwtest::TempDir dir;
  CInstanceLock lock(dir.path());
  ASSERT_EQ(lock.Acquire(kName), Result::Acquired);
  int execDone[2];
  ASSERT_EQ(pipe2(execDone, O_CLOEXEC), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sleep", "sleep", "10", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  close(execDone[1]);
  char byte;
  EXPECT_EQ(read(execDone[0], &byte, 1), 0);  // end of file: the exec closed the write end
  close(execDone[0]);

  int lockFiles = 0, files = 0;
  std::error_code ec;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    ++files;
    if (std::filesystem::read_symlink(fd.path(), ec) == lock.LockFilePath()) ++lockFiles;
  }
  EXPECT_GT(files, 0);
  EXPECT_EQ(lockFiles, 0);
  Kill(pid);
}

TEST(InstanceLock, HostileNamesAndMissingFolder) {
  cwtest::TempDir dir;
  CInstanceLock lock(dir.path());
  const std::vector<std::string> names = {"", "../escape", "a/b", "..", std::string("a\0b", 3), std::string(300, 'x')};
  for (const std::string& name : names) {
    EXPECT_EQ(lock.Acquire(name), Result::Error) << name;
  }
  EXPECT_FALSE(cwplat::FileExists(dir.path() + "/../escape.lock"));
  CInstanceLock missing(dir / "no-such-folder");
  EXPECT_EQ(missing.Acquire(kName), Result::Error);
}

TEST(InstanceLock, DefaultFolderIsTheRuntimeFolder) {
  cwtest::TempDir dir;
  cwtest::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
  CInstanceLock lock;
  ASSERT_EQ(lock.Acquire(kName), Result::Acquired);
  EXPECT_EQ(lock.LockFilePath(), dir / "ZKT_Downloader_521.lock");
}

}  // namespace
