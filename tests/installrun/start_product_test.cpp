// Starting the installed product: directly with its own folder, or through
// the desktop's opener, and the user event of every failure.
#include "InstallRunSupport.h"
#include "StartTargetMainExe.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>

using FuntionImpl::SplitStartCommand;
using FuntionImpl::StartTargetMainExe;
using installtest::ReadLines;
using installtest::WriteRecorder;
using Args = std::vector<std::string>;

namespace {

TEST(StartProduct, CommandSplitting) {
  EXPECT_EQ(SplitStartCommand("\"/opt/My App/run\""), Args{"/opt/My App/run"});
  EXPECT_EQ(SplitStartCommand("  \"/opt/a b/run\"  -x\t \"y z\" "), (Args{"/opt/a b/run", "-x", "\"y", "z\""}));
  EXPECT_EQ(SplitStartCommand("/opt/run --flag"), (Args{"/opt/run", "--flag"}));
  EXPECT_EQ(SplitStartCommand("\"/opt/unclosed run"), Args{"/opt/unclosed run"});
  EXPECT_EQ(SplitStartCommand("\"\" x"), (Args{"", "x"}));
  EXPECT_EQ(SplitStartCommand(" \t "), Args{});
}

TEST(StartProduct, DirectStartRunsInTheProductFolder) {
  cwtest::TempDir dir;
  std::filesystem::create_directories(dir / "My Product");
  const std::string product = WriteRecorder(dir / "My Product/run", dir / "args", "exec /bin/sleep 30");
  // A '/' in an argument does not move the working folder.
  ASSERT_EQ(StartTargetMainExe("\"" + product + "\" --open http://example.test/x", 1), 0);
  ASSERT_TRUE(installtest::WaitForRecord(dir / "args"));
  EXPECT_EQ(ReadLines(dir / "args"), (Args{"--open", "http://example.test/x"}));
  EXPECT_EQ(ReadLines(dir / "args.cwd"), Args{dir / "My Product"});
  // Still running after the call: the product outlives the starter.
  const auto pid = ReadLines(dir / "args.pid");
  ASSERT_EQ(pid.size(), 1u);
  EXPECT_TRUE(installtest::KillAndWaitGone(std::stoi(pid.front())));
}

TEST(StartProduct, FailuresAreLoggedAndReported) {
  cwtest::TempDir dir;
  std::filesystem::create_directories(dir / "bin");
  WriteRecorder(dir / "bin/xdg-open", dir / "opened");
  cwtest::ScopedEnv path("PATH", dir / "bin");
  cwtest::ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
  cwtest::LogCapture log;

  EXPECT_EQ(StartTargetMainExe("\"" + (dir / "missing") + "\"", 1), -1);
  EXPECT_TRUE(log.has(" CreateProcess failed3 (2)"));
  EXPECT_TRUE(log.has(" User event Other / StartWindowError / 2"));
  log.clear();

  {
    cwtest::ScopedEnv display("DISPLAY", ":97");
    EXPECT_EQ(StartTargetMainExe("\"" + (dir / "missing") + "\"", 0), -1);
    EXPECT_TRUE(log.has(" CreateProcess failed1 (2)"));
    EXPECT_TRUE(log.has(" User event Other / StartWindowError / 2"));
    EXPECT_EQ(StartTargetMainExe("", 0), -1);
    EXPECT_FALSE(std::filesystem::exists(dir / "opened"));  // the opener was never asked
  }
  log.clear();

  cwtest::ScopedEnv display("DISPLAY", std::nullopt);
  EXPECT_EQ(StartTargetMainExe("\"" + (dir / "bin/xdg-open") + "\"", 0), -1);
  EXPECT_TRUE(log.has(" CreateProcess failed2 (50)"));
  EXPECT_TRUE(log.has(" User event Other / StartWindowError / 50"));
}

TEST(StartProduct, DesktopStartHandsThePathToTheOpener) {
  cwtest::TempDir dir;
  std::filesystem::create_directories(dir / "bin");
  WriteRecorder(dir / "bin/xdg-open", dir / "opened");
  cwtest::WriteFile(dir / "My Product", "");
  cwtest::ScopedEnv path("PATH", dir / "bin");
  cwtest::ScopedEnv display("DISPLAY", ":97");
  EXPECT_EQ(StartTargetMainExe("\"" + (dir / "My Product") + "\"", 0), 0);
  EXPECT_EQ(ReadLines(dir / "opened"), Args{dir / "My Product"});
}

}  // namespace
