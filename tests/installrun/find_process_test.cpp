// Finding and ending the processes that hold an installer: the installer
// itself and the ".tmp" companion an Inno Setup installer runs.
#include "ProcessSearch.h"
#include "platform/process.h"
#include "platform/process_spawn.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

cwplat::SpawnedProcess StartCopyOfSleep(const std::string& path) {
  fs::create_directories(fs::path(path).parent_path());
  fs::copy_file("/bin/sleep", path);
  cwplat::SpawnedProcess process;
  EXPECT_EQ(process.Start({path, "60"}), 0);
  return process;
}

TEST(FindProcessByFullPath, AlsoTmpEndsTheInstallerAndItsCompanion) {
  cwtest::TempDir dir;
  cwtest::LogCapture log;
  const std::string setup = cwtest::UniqueProgramStem("setup");
  const std::string installer = dir / (setup + ".exe");
  cwplat::SpawnedProcess main = StartCopyOfSleep(installer);
  cwplat::SpawnedProcess companion = StartCopyOfSleep(dir / ("is-4F2A.tmp/" + setup + ".tmp"));
  // The same program name in another folder is another program.
  cwplat::SpawnedProcess stranger = StartCopyOfSleep(dir / ("other/" + setup + ".exe"));
  ASSERT_TRUE(cwtest::WaitUntil(5000, [&] { return cwplat::GetProcessModulePath(companion.pid()).has_value(); }));

  // Without the flag only the installer itself is found, and nothing ends.
  EXPECT_EQ(FuntionImpl::FindProcessByFullPath(installer, false, false), main.pid());
  EXPECT_EQ(main.Wait(0), cwplat::WaitResult::Running);

  EXPECT_GT(FuntionImpl::FindProcessByFullPath(installer, true, true), 0);
  EXPECT_EQ(main.Wait(5000), cwplat::WaitResult::Ended);
  EXPECT_EQ(companion.Wait(5000), cwplat::WaitResult::Ended);
  EXPECT_EQ(stranger.Wait(0), cwplat::WaitResult::Running);
  EXPECT_EQ(log.count(" Kill proc: 1, 0"), 2u);

  EXPECT_EQ(FuntionImpl::FindProcessByFullPath(dir / ("SETUP" + setup.substr(5) + ".exe"), true, true), -1)
      << "paths are case-sensitive";
  int error = 0;
  EXPECT_TRUE(cwplat::TerminateProcess(stranger.pid(), 2000, &error));
  EXPECT_EQ(stranger.Wait(5000), cwplat::WaitResult::Ended);
}

}  // namespace
