// The skin's image attribute parser: any text parses, and what it gives is in
// range for the painter.
#include "toolkit/ImageAttribute.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const cwui::ImageSpec spec = cwui::ParseImageAttribute(std::string(reinterpret_cast<const char*>(data), size));
  if (spec.fade < 0 || spec.fade > 255) std::abort();
  if (spec.corner.left < 0 || spec.corner.top < 0 || spec.corner.right < 0 || spec.corner.bottom < 0) std::abort();
  if (spec.mask && *spec.mask > 0xFFFFFFu) std::abort();
  return 0;
}
