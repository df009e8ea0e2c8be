// Times the window toolkit on a stand-in of the installer's main window:
// reading and laying out the layout and painting it offscreen once, one
// repaint after a text change (only the dirty control), and the peak memory.
// Usage: cw_uibench LAYOUT [--fonts FONTS.CONF] [--scale N] [--runs N]
#include "toolkit/FontMap.h"
#include "toolkit/HeadlessHost.h"

#include <cairo.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

cairo_status_t Append(void* out, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// The pictures the layout names, drawn here so the figures include decoding.
std::string Picture(int w, int h, double r, double g, double b) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
  cairo_pattern_add_color_stop_rgb(p, 0, r, g, b);
  cairo_pattern_add_color_stop_rgb(p, 1, r * 0.6, g * 0.6, b * 0.6);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
  cairo_destroy(cr);
  std::string png;
  cairo_surface_write_to_png_stream(s, Append, &png);
  cairo_surface_destroy(s);
  return png;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: cw_uibench LAYOUT [--fonts FONTS.CONF] [--scale N] [--runs N]\n");
    return 2;
  }
  const std::string xml = ReadFile(argv[1]);
  int scale = 1, runs = 30;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--fonts") cwui::FontMap::Load(ReadFile(argv[i + 1]));
    if (arg == "--scale") scale = std::clamp(std::atoi(argv[i + 1]), 1, 4);
    if (arg == "--runs") runs = std::max(std::atoi(argv[i + 1]), 1);
  }
  const std::map<std::string, std::string> pictures = {
      {"background.png", Picture(650, 560, 0.2, 0.45, 0.85)}, {"title.png", Picture(24, 24, 0.9, 0.9, 0.9)},
      {"title_hot.png", Picture(24, 24, 1, 1, 1)},           {"button.png", Picture(40, 40, 0.16, 0.75, 0.45)},
      {"button_hot.png", Picture(40, 40, 0.2, 0.85, 0.5)},   {"fill.png", Picture(20, 6, 0.16, 0.75, 0.45)}};
  const auto source = [&pictures](const std::string& name) {
    const auto it = pictures.find(name);
    return it == pictures.end() ? std::nullopt : std::optional<std::string>(it->second);
  };

  std::vector<double> whole, repaint;
  cwui::MessageLoop loop;
  for (int run = 0; run <= runs; ++run) {
    const Clock::time_point start = Clock::now();
    std::string error;
    std::optional<cwui::Skin> skin = cwui::ReadSkin(xml, {}, &error);
    if (!skin) {
      std::fprintf(stderr, "cw_uibench: %s\n", error.c_str());
      return 1;
    }
    cwui::Window window(std::move(*skin), source);
    cwui::OffscreenHost host(window, loop, scale);
    host.render();
    whole.push_back(Ms(Clock::now() - start));

    cwui::Control* status = window.find("status");
    for (int i = 0; status != nullptr && i < 20; ++i) {
      const Clock::time_point at = Clock::now();
      window.setText(*status, "Downloading " + std::to_string(run * 20 + i) + "%");
      host.render();
      repaint.push_back(Ms(Clock::now() - at));
    }
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  // The first run also loads the fonts; the rest is what a window costs once they are there.
  std::printf("scale %d: first read+layout+paint %.2f ms, then median %.2f ms (goal 15); "
              "repaint after a text change median %.3f ms (goal 2); peak memory %.1f MiB\n",
              scale, whole.front(), Median(std::vector<double>(whole.begin() + 1, whole.end())),
              repaint.empty() ? 0.0 : Median(repaint), usage.ru_maxrss / 1024.0);
  return 0;
}
