#include "toolkit/HeadlessHost.h"

#include "toolkit/Painter.h"

#include <cairo.h>

#include <algorithm>

namespace cwui {

void HeadlessHost::invalidate(const Rect& rect) {
  if (rect.width() <= 0 || rect.height() <= 0) return;
  if (m_dirty.width() <= 0 || m_dirty.height() <= 0) {
    m_dirty = rect;
    return;
  }
  m_dirty = {std::min(m_dirty.left, rect.left), std::min(m_dirty.top, rect.top), std::max(m_dirty.right, rect.right),
             std::max(m_dirty.bottom, rect.bottom)};
}

Rect HeadlessHost::takeDirty() {
  const Rect dirty = m_dirty;
  m_dirty = {};
  return dirty;
}

namespace {

// A skin may ask for any size; the image stays within what a screen shows.
constexpr int kMaxDevicePixels = 8192;

int DeviceSide(int side, int scale) { return std::clamp(side, 1, kMaxDevicePixels / scale) * scale; }

}  // namespace

OffscreenHost::OffscreenHost(Window& window, MessageLoop& loop, int scale)
    : HeadlessHost(window, loop),
      m_scale(std::clamp(scale, 1, 4)),
      m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, DeviceSide(window.skin().size.cx, m_scale),
                                           DeviceSide(window.skin().size.cy, m_scale))) {}

OffscreenHost::~OffscreenHost() { cairo_surface_destroy(m_surface); }

void OffscreenHost::resized() {
  cairo_surface_destroy(m_surface);
  m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, DeviceSide(window().skin().size.cx, m_scale),
                                         DeviceSide(window().skin().size.cy, m_scale));
  m_painted = false;
}

Rect OffscreenHost::render() {
  const Rect whole{0, 0, window().skin().size.cx, window().skin().size.cy};
  Rect dirty = takeDirty();
  if (!m_painted) dirty = whole;
  dirty = {std::max(dirty.left, 0), std::max(dirty.top, 0), std::min(dirty.right, whole.right),
           std::min(dirty.bottom, whole.bottom)};
  if (dirty.width() <= 0 || dirty.height() <= 0) return {};
  m_painted = true;
  cairo_t* cr = cairo_create(m_surface);
  cairo_scale(cr, m_scale, m_scale);
  // What is repainted starts from nothing, as a window's surface would.
  cairo_rectangle(cr, dirty.left, dirty.top, dirty.width(), dirty.height());
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_fill(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  m_missingGlyphs = PaintWindow(cr, window(), m_scale, dirty).missingGlyphs;
  cairo_destroy(cr);
  cairo_surface_flush(m_surface);
  return dirty;
}

bool OffscreenHost::writePng(const std::string& path, std::string* error) {
  render();
  const cairo_status_t status = cairo_surface_write_to_png(m_surface, path.c_str());
  if (status != CAIRO_STATUS_SUCCESS && error != nullptr) *error = cairo_status_to_string(status);
  return status == CAIRO_STATUS_SUCCESS;
}

}  // namespace cwui
