// Starting programs: arguments exactly as given, start failures reported at
// once, timed waits, and children that are let go without leaving zombies.
#include "InstallRunSupport.h"
#include "platform/process_spawn.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

using cwplat::SpawnedProcess;
using cwplat::WaitResult;
using installtest::ReadLines;
using installtest::WriteRecorder;

namespace {

TEST(Spawn, ArgumentsArriveAsGivenAndTheExitCodeIsRead) {
  cwtest::TempDir dir;
  std::filesystem::create_directories(dir / "work place");
  const std::string program = WriteRecorder(dir / "rec", dir / "args", "exit 7");
  const std::vector<std::string> args = {
      program, "two words", "\"quoted\"", "it's", "$HOME", "; rm -rf x", "", "back\\slash", "*"};
  SpawnedProcess child;
  cwplat::SpawnOptions options;
  options.workingFolder = dir / "work place";
  ASSERT_EQ(child.Start(args, options), 0);
  ASSERT_EQ(child.Wait(5000), WaitResult::Ended);
  EXPECT_EQ(child.exitCode(), 7);
  EXPECT_EQ(child.Wait(0), WaitResult::Ended);  // an ended child stays ended
  EXPECT_EQ(ReadLines(dir / "args"), std::vector<std::string>(args.begin() + 1, args.end()));
  EXPECT_EQ(ReadLines(dir / "args.cwd"), std::vector<std::string>{dir / "work place"});
}

TEST(Spawn, FailuresToStartAreReportedByStart) {
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "plain", "#!/bin/sh\n");  // not executable
  cwtest::WriteFile(dir / "garbage", "no interpreter line");
  std::filesystem::permissions(dir / "garbage", std::filesystem::perms::owner_all);
  const std::string good = WriteRecorder(dir / "rec", dir / "args");
  struct Case {
    std::vector<std::string> argv;
    std::string folder;
    int error;
  } cases[] = {
      {{dir / "missing"}, "", cwplat::kErrorFileNotFound},
      {{dir / "plain"}, "", cwplat::kErrorAccessDenied},
      {{dir / "garbage"}, "", cwplat::kErrorBadExeFormat},
      {{good}, dir / "no such folder", cwplat::kErrorFileNotFound},
      {{good, std::string("a\0b", 3)}, "", cwplat::kErrorInvalidParameter},
      {{}, "", cwplat::kErrorInvalidParameter},
  };
  for (const Case& c : cases) {
    SpawnedProcess child;
    cwplat::SpawnOptions options;
    options.workingFolder = c.folder;
    EXPECT_EQ(child.Start(c.argv, options), c.error) << (c.argv.empty() ? "" : c.argv.front()) << " in " << c.folder;
    EXPECT_FALSE(child.started());
    EXPECT_EQ(child.Wait(0), WaitResult::Error);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "args"));
}

TEST(Spawn, TimedWaitReturnsWhileTheChildRuns) {
  SpawnedProcess child;
  ASSERT_EQ(child.Start({"/bin/sleep", "30"}), 0);
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(child.Wait(200), WaitResult::Running);
  const auto waited = std::chrono::steady_clock::now() - begin;
  EXPECT_GE(waited, std::chrono::milliseconds(200));
  EXPECT_LT(waited, std::chrono::milliseconds(1000));
  EXPECT_FALSE(child.exitCode().has_value());
  kill(child.pid(), SIGKILL);
  EXPECT_EQ(child.Wait(5000), WaitResult::Ended);
  EXPECT_EQ(child.exitCode(), 128 + SIGKILL);
}

TEST(Spawn, ReleasedChildrenRunOnAndAreReapedWhenTheyEnd) {
  cwtest::TempDir dir;
  const std::string program = WriteRecorder(dir / "rec", dir / "args", "exec /bin/sleep 30");
  int pid = -1;
  {
    SpawnedProcess child;
    ASSERT_EQ(child.Start({program}), 0);
    pid = child.pid();
  }  // destroyed while it runs: released, not killed
  ASSERT_TRUE(installtest::WaitForRecord(dir / "args"));
  EXPECT_TRUE(installtest::ProcessExists(pid));
  // Gone for good once it ends: no zombie entry stays behind in /proc.
  EXPECT_TRUE(installtest::KillAndWaitGone(pid));
}

TEST(Spawn, OurDescriptorsDoNotReachTheChild) {
  // Not close-on-exec, and still closed in the child.
  const int fd = open("/dev/null", O_RDONLY);
  ASSERT_GE(fd, 3);
  SpawnedProcess probe;
  ASSERT_EQ(probe.Start({"/bin/readlink", "/proc/self/fd/" + std::to_string(fd)}), 0);
  ASSERT_EQ(probe.Wait(5000), WaitResult::Ended);
  EXPECT_EQ(probe.exitCode(), 1);
  close(fd);
}

TEST(Spawn, FindExecutableOnPathSkipsWhatCannotRun) {
  cwtest::TempDir a, b;
  cwtest::WriteFile(a / "tool", "not executable");
  std::filesystem::create_directories(a / "dir");
  WriteRecorder(b / "tool", b / "args");
  WriteRecorder(b / "dir", b / "args");
  cwtest::ScopedEnv path("PATH", a.path() + "::relative:" + b.path());
  EXPECT_EQ(cwplat::FindExecutableOnPath("tool"), b / "tool");
  EXPECT_EQ(cwplat::FindExecutableOnPath("dir"), b / "dir");
  EXPECT_EQ(cwplat::FindExecutableOnPath("absent"), "");
  EXPECT_EQ(cwplat::FindExecutableOnPath("b/tool"), "");
}

}  // namespace
