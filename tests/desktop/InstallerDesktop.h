// The installer's real window on a private desktop: the program in a sandbox
// against the local service stack serving the signed sample package, read
// over AT-SPI and driven with real pointer and keyboard input.
#pragma once

#include "AccessibleReading.h"
#include "Screenshots.h"
#include "e2e/E2eSandbox.h"
#include "support/AccessibleDesktop.h"
#include "support/DevServerHarness.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace desktoptest {

constexpr const char* kProductTitle = "Quorla Murmelon";  // the main window's title
constexpr const char* kBoxTitle = "MSGUIDemo";            // a message box's title

class InstallerDesktop : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Starts the program in that system language and waits for its main
  // window's frame; false (with a failure) when it never shows.
  bool StartInstaller(const std::string& locale = "de_DE.UTF-8");
  // A top-level window of the program by its title, waiting up to `timeoutMs`.
  cwtest::Ref Frame(const std::string& title, int timeoutMs = 10000);
  // The first node of that name (and role) in `root` (the main window when
  // null), waiting for it.
  cwtest::Ref Node(const std::string& name, AtspiRole role = ATSPI_ROLE_INVALID, AtspiAccessible* root = nullptr,
                   int timeoutMs = 5000);
  // The first node below `root` (the main window when null) that `accept` takes, waiting for it.
  cwtest::Ref NodeWhere(const std::function<bool(AtspiAccessible*)>& accept, AtspiAccessible* root = nullptr,
                        int timeoutMs = 5000);
  // The window's tree (the main window when null) as text, for failure messages.
  std::string Tree(AtspiAccessible* root = nullptr);
  // A pointer click in the middle of the node's rectangle on the screen.
  void Click(AtspiAccessible* node);
  // Waits for the node of that name and clicks it; false (with a failure) when it never shows.
  bool ClickNode(const std::string& name, AtspiRole role = ATSPI_ROLE_INVALID, AtspiAccessible* root = nullptr);
  // Runs AT-SPI's events and samples the program's memory while waiting.
  bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);
  // The program's own log (the file naming its process id), "" before it has one.
  std::string Log();
  bool WaitForLog(const std::string& text, int timeoutMs = 10000);
  // The running page's bar, -1 when it is not shown.
  double ProgressValue();
  // Waits until the bar passes `until` (or goes), noting each value it shows.
  std::vector<double> WatchProgress(double until, int timeoutMs);
  // The frame's height on the screen (360 with the panel closed, 560 open).
  int FrameHeight(AtspiAccessible* frame);
  bool Showing(const std::string& name, AtspiRole role = ATSPI_ROLE_INVALID);
  // Slows every download of the package to `bytesPerSecond` a connection.
  void SlowDownloads(int bytesPerSecond);
  // The program's end, its exit code (-1 when it does not end in time).
  int WaitForExit(int timeoutMs);
  void Shot(const std::string& step);
  std::string InstallRoot() const { return box.dir() + "/apps"; }
  // The peak resident set seen while the program ran (VmHWM, KiB).
  long peakRssKib() const { return m_peakRssKib; }

  e2etest::Sandbox box;
  std::unique_ptr<devtest::DevServer> server;
  std::unique_ptr<cwtest::ChildProcess> program;
  cwtest::Ref app, main;
  std::unique_ptr<Screenshots> shots;

 private:
  void SampleMemory();
  static inline std::unique_ptr<cwtest::AccessibleDesktop> s_desktop;
  static inline std::string s_missing;
  long m_peakRssKib = 0;
  std::string m_logPath;
};

}  // namespace desktoptest
