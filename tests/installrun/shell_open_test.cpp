// Handing things to the desktop: refused without a session, xdg-open and the
// file manager's D-Bus call receive exactly what they should.
#include "InstallRunSupport.h"
#include "platform/process_spawn.h"
#include "platform/shell_open.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>

using installtest::ReadLines;
using installtest::WriteRecorder;

namespace {

// A desktop session whose PATH holds only the fake helpers of `bin`.
class FakeDesktop : public ::testing::Test {
 protected:
  std::string record(const std::string& tool) const { return m_dir / (tool + ".args"); }
  void fake(const std::string& tool, const std::string& tail = "exit 0") {
    std::filesystem::create_directories(m_dir / "bin");
    WriteRecorder(m_dir / ("bin/" + tool), record(tool), tail);
  }

  cwtest::TempDir m_dir;
  cwtest::ScopedEnv m_display{"DISPLAY", ":97"};
  cwtest::ScopedEnv m_wayland{"WAYLAND_DISPLAY", std::nullopt};
  cwtest::ScopedEnv m_path{"PATH", m_dir / "bin"};
};

TEST(ShellOpen, WithoutADesktopNothingIsStartedAndItFails) {
  cwtest::ScopedEnv display("DISPLAY", std::nullopt);
  cwtest::ScopedEnv wayland("WAYLAND_DISPLAY", "");
  cwtest::LogCapture log;
  EXPECT_FALSE(cwplat::HasDesktopSession());
  EXPECT_EQ(cwplat::ShellOpen("https://example.test/"), cwplat::kErrorNotSupported);
  EXPECT_EQ(cwplat::ShowInFileManager("/tmp/x"), cwplat::kErrorNotSupported);
  EXPECT_TRUE(log.has(" No desktop session (DISPLAY and WAYLAND_DISPLAY unset): not opening https://example.test/"));
}

TEST_F(FakeDesktop, OpenerGetsTheTargetAndItsFailuresCount) {
  EXPECT_EQ(cwplat::ShellOpen("https://example.test/"), cwplat::kErrorNoAssociation);  // no xdg-open yet

  fake("xdg-open");
  EXPECT_EQ(cwplat::ShellOpen("https://example.test/a b?c='d'"), 0);
  EXPECT_EQ(ReadLines(record("xdg-open")), std::vector<std::string>{"https://example.test/a b?c='d'"});
  EXPECT_EQ(cwplat::ShellOpen("--help"), cwplat::kErrorInvalidParameter);

  fake("xdg-open", "exit 2");
  EXPECT_EQ(cwplat::ShellOpen("/gone/file"), cwplat::kErrorFileNotFound);
  fake("xdg-open", "exit 4");
  EXPECT_EQ(cwplat::ShellOpen("/some/file"), cwplat::kErrorGenFailure);
}

TEST_F(FakeDesktop, FileManagerShowsTheFileElseItsFolderOpens) {
  fake("dbus-send");
  EXPECT_EQ(cwplat::ShowInFileManager("/opt/My App, \"v2\"/run 1.bin"), 0);
  const auto args = ReadLines(record("dbus-send"));
  ASSERT_EQ(args.size(), 8u);
  EXPECT_EQ(args[3], "--dest=org.freedesktop.FileManager1");
  EXPECT_EQ(args[5], "org.freedesktop.FileManager1.ShowItems");
  EXPECT_EQ(args[6], "array:string:file:///opt/My%20App%2C%20%22v2%22/run%201.bin");

  // No file manager on the bus: the folder goes to the opener instead.
  fake("dbus-send", "exit 1");
  fake("xdg-open");
  EXPECT_EQ(cwplat::ShowInFileManager("/opt/My App/run.bin"), 0);
  EXPECT_EQ(ReadLines(record("xdg-open")), std::vector<std::string>{"/opt/My App"});
}

}  // namespace
