// One image attribute drawn into a control: the picture (or its source part)
// placed at dest, stretched, tiled or as a nine-slice whose corners keep
// their size, with its fade and mask colour. Coordinates are window pixels;
// a picture made for scale 2 is drawn at half its pixel size.
#pragma once

#include "toolkit/ImageAttribute.h"
#include "toolkit/ImageCache.h"
#include "toolkit/SkinValues.h"

typedef struct _cairo cairo_t;

namespace cwui {

// False when the picture is missing (nothing is drawn then).
bool DrawImage(cairo_t* cr, ImageCache& images, const ImageSpec& spec, const Rect& control, int scale);
// The same, from the attribute's text; an empty text draws nothing and is true.
bool DrawImage(cairo_t* cr, ImageCache& images, const std::string& attribute, const Rect& control, int scale);

}  // namespace cwui
