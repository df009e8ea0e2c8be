// Pictures made at run time: a white canvas of a size, pictures of the cache
// drawn into it, plain text in a rectangle, and the result registered in an
// image cache under a name for controls to show. The canvas works in window
// pixels at a device scale (1 or 2), so at scale 2 the picture has twice the
// pixels and stays sharp where the painter draws it at half its size.
#pragma once

#include "toolkit/ImageCache.h"
#include "toolkit/SkinValues.h"

#include <cstdint>
#include <string>

typedef struct _cairo cairo_t;

namespace cwui {

struct CanvasText {
  std::string face;       // a face the font map knows ("Microsoft YaHei", "batang")
  double size = 12;       // window pixels
  bool bold = false;
  std::uint32_t rgb = 0;  // opaque
  bool centred = true;    // horizontally; otherwise from the left
  bool middle = false;    // vertically; otherwise from the top
  std::string language;   // the text's language tag for the fonts ("ko"); "" none
};

class ImageCanvas {
 public:
  static constexpr std::size_t kMaxTextBytes = 4096;

  // width x height window pixels at scale (clamped to 1..2), white. A size
  // that is not positive or over the cache's bound at that scale gives a
  // canvas that is not ok() and draws nothing.
  ImageCanvas(int width, int height, int scale);
  ~ImageCanvas();
  ImageCanvas(const ImageCanvas&) = delete;
  ImageCanvas& operator=(const ImageCanvas&) = delete;

  bool ok() const { return m_cr != nullptr; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  int scale() const { return m_scale; }

  // The picture stretched into `dest` (window pixels; parts outside the
  // canvas are cut), whatever scale it was made for.
  void draw(const Image& image, const Rect& dest);
  // Plain text (UTF-8, "\n" breaks lines) wrapped and clipped in `box`; a
  // text that is not valid UTF-8, or over kMaxTextBytes, is not drawn.
  // False when nothing was drawn.
  bool drawText(const std::string& text, const Rect& box, const CanvasText& style);

  // Registers what the canvas holds under `name` (replacing a picture of
  // that name); draw nothing more on it afterwards, the cache shares it.
  bool registerIn(ImageCache& cache, const std::string& name);

 private:
  int m_width = 0, m_height = 0, m_scale = 1;
  cairo_t* m_cr = nullptr;
};

// A pixel of a picture (device pixels), premultiplied 0xAARRGGBB; 0 outside.
std::uint32_t ImagePixel(const Image& image, int x, int y);

}  // namespace cwui
