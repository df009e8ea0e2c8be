#include "toolkit/ImageCanvas.h"

#include "toolkit/FontMap.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstring>

namespace cwui {
namespace {

double Channel(std::uint32_t rgb, int shift) { return ((rgb >> shift) & 0xFF) / 255.0; }

}  // namespace

ImageCanvas::ImageCanvas(int width, int height, int scale) : m_scale(std::clamp(scale, 1, 2)) {
  const int limit = ImageCache::kMaxSide / m_scale;
  if (width <= 0 || height <= 0 || width > limit || height > limit) return;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width * m_scale, height * m_scale);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return;
  }
  m_cr = cairo_create(surface);
  cairo_surface_destroy(surface);  // the context keeps it
  m_width = width;
  m_height = height;
  cairo_scale(m_cr, m_scale, m_scale);
  cairo_set_source_rgb(m_cr, 1, 1, 1);
  cairo_paint(m_cr);
}

ImageCanvas::~ImageCanvas() {
  if (m_cr != nullptr) cairo_destroy(m_cr);
}

void ImageCanvas::draw(const Image& image, const Rect& dest) {
  if (!ok() || dest.width() <= 0 || dest.height() <= 0 || image.width() <= 0 || image.height() <= 0) return;
  cairo_save(m_cr);
  cairo_rectangle(m_cr, dest.left, dest.top, dest.width(), dest.height());
  cairo_clip(m_cr);
  cairo_translate(m_cr, dest.left, dest.top);
  const double sx = static_cast<double>(dest.width()) / image.width();
  const double sy = static_cast<double>(dest.height()) / image.height();
  cairo_scale(m_cr, sx, sy);
  cairo_set_source_surface(m_cr, image.surface(), 0, 0);
  // A picture that lands pixel for pixel is copied; only a stretched one is filtered.
  const bool exact = sx * m_scale == 1 && sy * m_scale == 1;
  cairo_pattern_set_filter(cairo_get_source(m_cr), exact ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(m_cr), CAIRO_EXTEND_PAD);
  cairo_paint(m_cr);
  cairo_restore(m_cr);
}

bool ImageCanvas::drawText(const std::string& text, const Rect& box, const CanvasText& style) {
  if (!ok() || text.empty() || text.size() > kMaxTextBytes || box.width() <= 0 || box.height() <= 0) return false;
  if (std::memchr(text.data(), '\0', text.size()) != nullptr ||
      !g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
    return false;
  PangoContext* context = FontMap::CreateContext();
  if (!style.language.empty()) pango_context_set_language(context, pango_language_from_string(style.language.c_str()));
  PangoLayout* layout = pango_layout_new(context);
  g_object_unref(context);
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, style.face.empty() ? "Sans" : style.face.c_str());
  pango_font_description_set_absolute_size(font, std::clamp(style.size, 1.0, 200.0) * PANGO_SCALE);
  pango_font_description_set_weight(font, style.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  pango_layout_set_width(layout, box.width() * PANGO_SCALE);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_alignment(layout, style.centred ? PANGO_ALIGN_CENTER : PANGO_ALIGN_LEFT);

  int textHeight = 0;
  pango_layout_get_pixel_size(layout, nullptr, &textHeight);
  const int y = box.top + (style.middle ? (box.height() - textHeight) / 2 : 0);
  cairo_save(m_cr);
  cairo_rectangle(m_cr, box.left, box.top, box.width(), box.height());
  cairo_clip(m_cr);
  cairo_set_source_rgb(m_cr, Channel(style.rgb, 16), Channel(style.rgb, 8), Channel(style.rgb, 0));
  cairo_move_to(m_cr, box.left, y);
  pango_cairo_update_layout(m_cr, layout);
  pango_cairo_show_layout(m_cr, layout);
  cairo_restore(m_cr);
  g_object_unref(layout);
  return true;
}

bool ImageCanvas::registerIn(ImageCache& cache, const std::string& name) {
  if (!ok()) return false;
  cairo_surface_t* surface = cairo_get_target(m_cr);
  cairo_surface_flush(surface);
  cache.add(name, surface, m_scale);
  return true;
}

std::uint32_t ImagePixel(const Image& image, int x, int y) {
  if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return 0;
  cairo_surface_flush(image.surface());
  const unsigned char* row =
      cairo_image_surface_get_data(image.surface()) + static_cast<std::size_t>(y) * cairo_image_surface_get_stride(image.surface());
  std::uint32_t pixel;
  std::memcpy(&pixel, row + static_cast<std::size_t>(x) * 4, 4);
  return pixel;
}

}  // namespace cwui
