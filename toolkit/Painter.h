// The paint pass: a window's controls on cairo, text on pango. Per control,
// in the skin's order: background colour, background image, state image,
// text, border; then its children, clipped to it (rounded when it has
// borderround); then the focus ring and an open combo's list over all.
#pragma once

#include "toolkit/Window.h"

typedef struct _cairo cairo_t;

namespace cwui {

struct PaintStats {
  int controls = 0;       // painted
  int missingGlyphs = 0;  // characters no font could show
};

// Paints the part of `window` inside `dirty` (window pixels) on `cr`, whose
// user space is window pixels (the host scales it). `scale` picks "@2x"
// pictures.
PaintStats PaintWindow(cairo_t* cr, Window& window, int scale, const Rect& dirty);
// The whole window.
PaintStats PaintWindow(cairo_t* cr, Window& window, int scale);

}  // namespace cwui
