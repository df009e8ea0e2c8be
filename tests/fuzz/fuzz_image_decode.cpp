// Picture bytes from the archive or a banner download: any bytes decode or are
// refused without a fault, and what decodes stays inside the bounds.
#include "toolkit/ImageCache.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto image = cwui::ImageCache::Decode(std::string(reinterpret_cast<const char*>(data), size), 1);
  if (image && (image->width() <= 0 || image->height() <= 0 || image->width() > cwui::ImageCache::kMaxSide ||
                image->height() > cwui::ImageCache::kMaxSide)) {
    std::abort();
  }
  return 0;
}
