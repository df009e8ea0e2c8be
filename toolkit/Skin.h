// A window's layout as read from its skin: the window's own attributes, the
// font list, and the control tree with its controls by name.
#pragma once

#include "toolkit/Control.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cwui {

struct FontSpec {
  int id = 0;
  std::string face;
  int size = 12;  // em height in pixels
  bool bold = false, underline = false, italic = false, isDefault = false;
};

struct Skin {
  // The root element's attributes (size, caption, roundcorner, mininfo, bktrans, ...).
  Size size;
  Rect caption;
  Size roundCorner;
  Size minInfo;
  bool transparent = false;
  std::map<std::string, std::string> windowAttributes;

  std::vector<FontSpec> fonts;
  // The root of the control tree: a vertical layout holding the window's
  // top-level controls.
  std::unique_ptr<Control> root;

  // The control of that name, nullptr when there is none.
  Control* find(const std::string& name) const;
  std::map<std::string, Control*> byName;
};

// Where <Include source="..."> finds other layout files; nothing when missing.
using LayoutSource = std::function<std::optional<std::string>(const std::string& path)>;

// Reads a layout. Nothing, with the reason in *error, when the document is
// not well formed or breaks a bound (size, nesting, number of controls).
// Unknown elements and missing includes are skipped and reported in *error
// while the rest is read.
std::optional<Skin> ReadSkin(const std::string& xml, const LayoutSource& includes, std::string* error = nullptr);

}  // namespace cwui
