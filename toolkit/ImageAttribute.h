// The image attribute syntax of skins: a bare file name, or key='value' pairs
// (file, source, dest, corner, hole, xtiled, ytiled, fade, mask).
#pragma once

#include "toolkit/SkinValues.h"

#include <cstdint>
#include <optional>
#include <string>

namespace cwui {

struct ImageSpec {
  std::string file;
  std::optional<Rect> source;  // part of the picture; none: all of it
  std::optional<Rect> dest;    // offsets in the control; none: the whole control
  Rect corner;                 // nine-slice insets in source pixels
  bool hole = false;           // leave the nine-slice centre out
  bool xTiled = false, yTiled = false;
  int fade = 255;              // opacity 0..255
  std::optional<std::uint32_t> mask;  // colour drawn as transparent (RGB)
};

// Unknown keys are ignored; a value without its closing quote ends the list.
ImageSpec ParseImageAttribute(const std::string& text);

}  // namespace cwui
