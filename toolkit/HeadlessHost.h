// Hosts without a display. The headless host shows nothing: it keeps the
// window's shown state, sensitivity and dirty area, for unit tests and for
// runs with no display, on the same loop as the GTK host. The offscreen host
// also paints the window into an image at any scale: pictures of skins,
// screenshots, pixel tests.
#pragma once

#include "toolkit/Host.h"

#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace cwui {

class HeadlessHost : public Host {
 public:
  HeadlessHost(Window& window, MessageLoop& loop) : Host(window, loop) {}

  void show() override { m_shown = true; }
  void hide() override { m_shown = false; }
  void invalidate(const Rect& rect) override;
  void minimize() override { m_minimized = true; }
  void raise() override { m_minimized = false; ++m_raised; }
  int scale() const override { return 1; }

  bool shown() const { return m_shown; }
  bool minimized() const { return m_minimized; }
  bool sensitive() const { return m_sensitive; }
  int raised() const { return m_raised; }
  // The union of what was marked dirty since the last takeDirty; empty when nothing.
  Rect takeDirty();

 protected:
  void setSensitive(bool sensitive) override { m_sensitive = sensitive; }

 private:
  bool m_shown = false, m_minimized = false, m_sensitive = true;
  int m_raised = 0;
  Rect m_dirty;
};

class OffscreenHost : public HeadlessHost {
 public:
  OffscreenHost(Window& window, MessageLoop& loop, int scale = 1);
  ~OffscreenHost() override;

  int scale() const override { return m_scale; }
  // Paints what is dirty (all of it the first time); returns the window
  // pixels painted.
  Rect render();
  cairo_surface_t* surface() const { return m_surface; }
  // Characters the last render could not show with any font.
  int missingGlyphs() const { return m_missingGlyphs; }
  // Renders and writes a PNG; false with the reason when writing fails.
  bool writePng(const std::string& path, std::string* error = nullptr);

 protected:
  void resized() override;

 private:
  int m_scale;
  cairo_surface_t* m_surface;
  bool m_painted = false;
  int m_missingGlyphs = 0;
};

}  // namespace cwui
