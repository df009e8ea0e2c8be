// A whole window from any layout text: read, laid out, painted offscreen,
// then driven by pointer and keys over every control and painted again. No
// input may fault, whatever sizes, pictures or texts it names.
#include "toolkit/HeadlessHost.h"

#include <cairo.h>

#include <cstdint>
#include <string>

namespace {

cairo_status_t Append(void* out, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// Every picture name gives one small picture, so the picture paths run.
const std::string& Picture() {
  static const std::string png = [] {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 12, 9);
    std::string bytes;
    cairo_surface_write_to_png_stream(s, Append, &bytes);
    cairo_surface_destroy(s);
    return bytes;
  }();
  return png;
}

template <typename F>
void Walk(cwui::Control& c, const F& f) {
  f(c);
  for (const auto& child : c.children()) Walk(*child, f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto skin = cwui::ReadSkin(std::string(reinterpret_cast<const char*>(data), size), {});
  if (!skin) return 0;
  cwui::Window window(std::move(*skin), [](const std::string&) { return std::optional<std::string>(Picture()); });
  cwui::MessageLoop loop;
  cwui::OffscreenHost host(window, loop, 1 + static_cast<int>(size % 2));
  host.render();
  std::vector<cwui::Control*> controls;
  Walk(*window.skin().root, [&controls](cwui::Control& c) { controls.push_back(&c); });
  for (cwui::Control* c : controls) {
    const int x = (c->rect.left + c->rect.right) / 2, y = (c->rect.top + c->rect.bottom) / 2;
    window.pointerPress(x, y);
    window.pointerRelease(x, y);
    window.textInput("7\xC3\xA9");
    for (cwui::Key key : {cwui::Key::Down, cwui::Key::End, cwui::Key::Backspace, cwui::Key::Tab}) window.keyPress(key);
    window.wheel(x, y, 2);
    host.render();
  }
  return 0;
}
