// cw_slidebench [--scale N] [--slides N]
// Times the running page's carousel as the window shows it: the main window's
// layout from the embedded archive in the offscreen host, each step painted
// as it is shown. Prints the intervals between the 25 steps of each slide
// (goal 50 ms ± 10) and the processor time the slides took.
#include "src/app/EmbeddedResources.h"
#include "toolkit/FontMap.h"
#include "toolkit/HeadlessHost.h"
#include "toolkit/ResourceArchive.h"
#include "ui/CAnima.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  int scale = 1, slides = 4;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--scale") scale = std::clamp(std::atoi(argv[i + 1]), 1, 2);
    if (arg == "--slides") slides = std::clamp(std::atoi(argv[i + 1]), 1, 100);
  }
  cwui::CResourceArchive archive;
  if (!archive.Open(EmbeddedResourceData(), EmbeddedResourceSize())) return 1;
  if (const auto fonts = archive.Read("fonts/fonts.conf")) cwui::FontMap::Load(*fonts);
  const auto source = [&archive](const std::string& path) { return archive.Read(path); };
  auto skin = cwui::ReadSkin(*archive.Read("InstallMainWnd.xml"), source);
  if (!skin) return 1;
  cwui::Window window(std::move(*skin), source);
  window.selectItem(*window.find("main_tablayout"), 1);
  cwui::MessageLoop loop;
  cwui::OffscreenHost host(window, loop, scale);
  host.render();
  std::vector<Clock::time_point> shown;
  window.setInvalidator([&](const cwui::Rect& r) {
    host.invalidate(r);
    host.render();  // as the desktop paints each step
    shown.push_back(Clock::now());
  });
  ui::CAnima anima(window, loop, window.find("image_play")->rect, 1, ui::CountAnimaFrames(window.images(), scale), 650,
                   300, ui::AnimaLook{0, 0, scale});
  anima.HorizontalMoveAnimaInit("", "");
  const std::clock_t cpuStart = std::clock();
  const Clock::time_point wallStart = Clock::now();
  std::vector<double> intervals;
  for (int s = 0; s < slides; ++s) {
    shown.clear();
    anima.move(s % 2 == 0 ? 1 : 2, s % 2 == 0 ? 2 : 1);
    loop.setTimer(&anima, 99, 5, [&] {
      if (!anima.moving()) loop.quit(0);
    });
    loop.run();
    loop.killTimer(&anima, 99);
    for (std::size_t i = 1; i < shown.size(); ++i) {
      intervals.push_back(std::chrono::duration<double, std::milli>(shown[i] - shown[i - 1]).count());
    }
  }
  const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - wallStart).count();
  std::sort(intervals.begin(), intervals.end());
  double sum = 0;
  for (double v : intervals) sum += v;
  const auto within = std::count_if(intervals.begin(), intervals.end(), [](double v) { return v >= 40 && v <= 60; });
  std::printf("scale %d, %d slides, %zu step intervals: mean %.1f ms, min %.1f, median %.1f, max %.1f; %ld of %zu in 50 +- 10 ms\n",
              scale, slides, intervals.size(), sum / static_cast<double>(intervals.size()), intervals.front(),
              intervals[intervals.size() / 2], intervals.back(), static_cast<long>(within), intervals.size());
  std::printf("processor time during the slides: %.0f ms of %.0f ms (%.1f %% of a core)\n", cpuMs, wallMs,
              100.0 * cpuMs / wallMs);
  return 0;
}
