#include "toolkit/Painter.h"

namespace cwui {

PaintStats PaintWindow(cairo_t*, Window&, int, const Rect&) { return {}; }

PaintStats PaintWindow(cairo_t* cr, Window& window, int scale) {
  return PaintWindow(cr, window, scale, window.skin().root->rect);
}

}  // namespace cwui
