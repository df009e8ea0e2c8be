#include "toolkit/ImageAttribute.h"

#include <algorithm>
#include <map>

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
    static const std::map<std::string, bool ImageSpec::*> kBools = {
        {"hole", &ImageSpec::hole}, {"xtiled", &ImageSpec::xTiled}, {"ytiled", &ImageSpec::yTiled}};
    static const std::map<std::string, std::optional<Rect> ImageSpec::*> kRects = {
        {"source", &ImageSpec::source}, {"dest", &ImageSpec::dest}};
    if (const auto flag = kBools.find(key); flag != kBools.end()) {
      spec.*(flag->second) = ParseBool(value);
    } else if (const auto rect = kRects.find(key); rect != kRects.end()) {
      spec.*(rect->second) = ParseRect(value);
    } else if (key == "file") {
      spec.file = value;
    } else if (key == "corner") {
      const Rect c = ParseRect(value);
      spec.corner = {std::max(c.left, 0), std::max(c.top, 0), std::max(c.right, 0), std::max(c.bottom, 0)};
    } else if (key == "fade") {
      spec.fade = std::clamp(ParseInt(value), 0, 255);
    } else if (key == "mask") {
      if (auto colour = ParseColour(value)) spec.mask = *colour & 0xFFFFFFu;
    }
  }
  return spec;
}

}  // namespace cwui
