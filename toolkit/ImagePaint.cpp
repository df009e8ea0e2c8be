#include "toolkit/ImagePaint.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

namespace cwui {
namespace {

struct RectD {
  double x, y, w, h;
};

// Draws the source part `src` (device pixels of the picture) into `dst`
// (window pixels): stretched, or repeated at the picture's own size.
void Blit(cairo_t* cr, cairo_surface_t* picture, const RectD& src, const RectD& dst, int scale, bool xTiled,
          bool yTiled) {
  if (src.w <= 0 || src.h <= 0 || dst.w <= 0 || dst.h <= 0) return;
  cairo_surface_t* part = cairo_surface_create_for_rectangle(picture, src.x, src.y, src.w, src.h);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
  cairo_matrix_t m;
  const double sx = xTiled ? scale : src.w / dst.w;
  const double sy = yTiled ? scale : src.h / dst.h;
  cairo_matrix_init_scale(&m, sx, sy);
  cairo_matrix_translate(&m, -dst.x, -dst.y);
  cairo_pattern_set_matrix(pattern, &m);
  // Tiles repeat; a stretched part pads, so its edges do not fade into nothing.
  cairo_pattern_set_extend(pattern, xTiled || yTiled ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
  const bool unscaled = sx == scale && sy == scale;
  cairo_pattern_set_filter(pattern, unscaled ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  cairo_save(cr);
  cairo_rectangle(cr, dst.x, dst.y, dst.w, dst.h);
  cairo_clip(cr);
  cairo_set_source(cr, pattern);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(part);
}

// A copy of the picture with the mask colour made transparent.
cairo_surface_t* Masked(cairo_surface_t* picture, std::uint32_t rgb) {
  const int w = cairo_image_surface_get_width(picture), h = cairo_image_surface_get_height(picture);
  cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_surface_flush(picture);
  const int from = cairo_image_surface_get_stride(picture), to = cairo_image_surface_get_stride(copy);
  const unsigned char* in = cairo_image_surface_get_data(picture);
  unsigned char* out = cairo_image_surface_get_data(copy);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint32_t px;
      std::memcpy(&px, in + y * from + x * 4, 4);
      // Only opaque pixels can carry the mask colour unchanged by premultiplying.
      if ((px >> 24) == 0xFF && (px & 0xFFFFFF) == rgb) px = 0;
      std::memcpy(out + y * to + x * 4, &px, 4);
    }
  }
  cairo_surface_mark_dirty(copy);
  return copy;
}

void NineSlice(cairo_t* cr, cairo_surface_t* picture, const RectD& s, const RectD& d, const Rect& corner, int scale,
               const ImageSpec& spec) {
  // Corners are in the picture's pixels at scale 1; at scale 2 the picture has twice as many.
  const double l = corner.left, t = corner.top, r = corner.right, b = corner.bottom;
  const double cols[4] = {0, l, d.w - r, d.w}, rows[4] = {0, t, d.h - b, d.h};
  const double scols[4] = {0, l * scale, s.w - r * scale, s.w}, srows[4] = {0, t * scale, s.h - b * scale, s.h};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (i == 1 && j == 1 && spec.hole) continue;
      const RectD src{s.x + scols[j], s.y + srows[i], scols[j + 1] - scols[j], srows[i + 1] - srows[i]};
      const RectD dst{d.x + cols[j], d.y + rows[i], cols[j + 1] - cols[j], rows[i + 1] - rows[i]};
      Blit(cr, picture, src, dst, scale, spec.xTiled && j == 1, spec.yTiled && i == 1);
    }
  }
}

}  // namespace

bool DrawImage(cairo_t* cr, ImageCache& images, const ImageSpec& spec, const Rect& control, int scale) {
  const std::shared_ptr<const Image> image = images.get(spec.file, scale);
  if (image == nullptr) return false;
  const int s = image->scale();
  RectD src{0, 0, static_cast<double>(image->width()), static_cast<double>(image->height())};
  if (spec.source) {
    // Source rectangles are in scale-1 pixels, clamped to the picture.
    const Rect& r = *spec.source;
    const double x = std::clamp(r.left * s, 0, image->width()), y = std::clamp(r.top * s, 0, image->height());
    const double right = std::clamp(r.right * s, 0, image->width());
    const double bottom = std::clamp(r.bottom * s, 0, image->height());
    src = {x, y, right - x, bottom - y};
  }
  RectD dst{static_cast<double>(control.left), static_cast<double>(control.top),
            static_cast<double>(control.width()), static_cast<double>(control.height())};
  if (spec.dest) {
    const Rect& r = *spec.dest;
    dst = {static_cast<double>(control.left + r.left), static_cast<double>(control.top + r.top),
           static_cast<double>(r.width()), static_cast<double>(r.height())};
  }
  cairo_surface_t* picture = spec.mask ? Masked(image->surface(), *spec.mask) : cairo_surface_reference(image->surface());
  cairo_save(cr);
  cairo_rectangle(cr, control.left, control.top, control.width(), control.height());
  cairo_clip(cr);
  if (spec.fade < 255) cairo_push_group(cr);
  const Rect& c = spec.corner;
  const bool corners = c.left > 0 || c.top > 0 || c.right > 0 || c.bottom > 0;
  // Insets that do not fit the picture or the target are no nine-slice.
  const bool fits = corners && (c.left + c.right) * s <= src.w && (c.top + c.bottom) * s <= src.h &&
                    c.left + c.right <= dst.w && c.top + c.bottom <= dst.h;
  if (fits) {
    NineSlice(cr, picture, src, dst, c, s, spec);
  } else {
    Blit(cr, picture, src, dst, s, spec.xTiled, spec.yTiled);
  }
  if (spec.fade < 255) {
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, spec.fade / 255.0);
  }
  cairo_restore(cr);
  cairo_surface_destroy(picture);
  return true;
}

bool DrawImage(cairo_t* cr, ImageCache& images, const std::string& attribute, const Rect& control, int scale) {
  if (attribute.empty()) return true;
  const ImageSpec spec = ParseImageAttribute(attribute);
  return spec.file.empty() || DrawImage(cr, images, spec, control, scale);
}

}  // namespace cwui
