// Figures of the real window, printed for people (not asserted: they depend
// on the machine): start-up to the first frame and to a click taken, the
// processor time while the running page waits between slides, the peak
// memory and the stripped executable's size.
#include "InstallerDesktop.h"
#include "ProcessFigures.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>

namespace {

using desktoptest::InstallerDesktop;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

void Figure(const char* name, double value, const char* unit, const char* goal) {
  std::printf("FIGURE %-36s %10.2f %-4s (goal %s)\n", name, value, unit, goal);
  std::fflush(stdout);
}

long Milliseconds(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

class Figures : public InstallerDesktop {};

TEST_F(Figures, StartUpIdleProcessorMemoryAndSize) {
  SlowDownloads(100000);  // the running page stays for half a minute and more
  const Clock::time_point spawned = Clock::now();
  ASSERT_TRUE(StartInstaller("de_DE.UTF-8"));
  // The click figure: from the spawn until the program logs the Install
  // click, the test pressing the button the moment AT-SPI shows it (polled
  // every 10 ms, so the figure includes the bridge's registration).
  ASSERT_TRUE(ClickNode("Jetzt installieren", ATSPI_ROLE_PUSH_BUTTON));
  ASSERT_TRUE(WaitForLog(" Click install button", 10000));
  const Clock::time_point clicked = Clock::now();
  std::smatch first;
  const std::string log = Log();
  ASSERT_TRUE(std::regex_search(log, first, std::regex(" First frame painted (\\d+) ms after start")));

  ASSERT_TRUE(Node("install_progress", ATSPI_ROLE_PROGRESS_BAR, nullptr, 10000)) << Tree();
  const Clock::time_point running = Clock::now();
  // Slides move every 7 s and take 1.2 s; from 1.5 s to 5.5 s the page waits.
  WaitFor([&] { return Clock::now() - running >= std::chrono::milliseconds(1500); }, 3000);
  const double before = desktoptest::CpuSeconds(program->pid());
  const Clock::time_point from = Clock::now();
  WaitFor([&] { return Clock::now() - from >= std::chrono::seconds(4); }, 6000);
  const double used = desktoptest::CpuSeconds(program->pid()) - before;
  const double seconds = std::chrono::duration<double>(Clock::now() - from).count();
  Shot("running-page-measured");
  ASSERT_EQ(program->Wait(0), -1) << "still running";
  ASSERT_GE(before, 0);

  const std::string stripped = box.dir() + "/stripped";
  ASSERT_EQ(std::system(("strip -o '" + stripped + "' '" + box.exe() + "'").c_str()), 0);

  Figure("first frame painted after start", std::stod(first[1]), "ms", "<= 150 ms");
  Figure("spawn to Install click taken", static_cast<double>(Milliseconds(clicked - spawned)), "ms", "<= 250 ms");
  Figure("processor, running page between slides", 100.0 * used / seconds, "%", "<= 1 % of a core");
  Figure("peak resident set (VmHWM)", static_cast<double>(std::max(peakRssKib(), desktoptest::PeakRssKib(program->pid()))) / 1024.0,
         "MiB", "<= 48 MiB");
  Figure("stripped executable with its archive", static_cast<double>(fs::file_size(stripped)) / (1024.0 * 1024.0), "MiB",
         "<= 4 MiB");
}

}  // namespace
