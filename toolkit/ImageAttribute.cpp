#include "toolkit/ImageAttribute.h"

#include <algorithm>

namespace cwui {

ImageSpec ParseImageAttribute(const std::string& text) {
  ImageSpec spec;
  if (text.find("='") == std::string::npos) {
    spec.file = text;
    return spec;
  }
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ') ++at;
    const std::size_t eq = text.find("='", at);
    if (eq == std::string::npos) break;
    const std::size_t end = text.find('\'', eq + 2);
    if (end == std::string::npos) break;
    const std::string key = text.substr(at, eq - at);
    const std::string value = text.substr(eq + 2, end - eq - 2);
    at = end + 1;
    if (key == "file") {
      spec.file = value;
    } else if (key == "source") {
      spec.source = ParseRect(value);
    } else if (key == "dest") {
      spec.dest = ParseRect(value);
    } else if (key == "corner") {
      spec.corner = ParseRect(value);
      spec.corner = {std::max(spec.corner.left, 0), std::max(spec.corner.top, 0), std::max(spec.corner.right, 0),
                     std::max(spec.corner.bottom, 0)};
    } else if (key == "hole") {
      spec.hole = ParseBool(value);
    } else if (key == "xtiled") {
      spec.xTiled = ParseBool(value);
    } else if (key == "ytiled") {
      spec.yTiled = ParseBool(value);
    } else if (key == "fade") {
      spec.fade = std::clamp(ParseInt(value), 0, 255);
    } else if (key == "mask") {
      if (auto colour = ParseColour(value)) spec.mask = *colour & 0xFFFFFFu;
    }
  }
  return spec;
}

}  // namespace cwui
