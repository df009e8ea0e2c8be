// The banner service's answer: any bytes are read or refused without a
// fault, and what is read stays inside the bounds a picture file name needs.
#include "ui/BannerList.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string answer(reinterpret_cast<const char*>(data), size);
  const ui::BannerList list = ui::ReadBannerList(answer);
  if (list.elements.size() > ui::kMaxBanners) std::abort();
  for (const ui::BannerElement& element : list.elements) {
    if (!element.usable) continue;
    if (element.sort < 0 || element.sort > ui::kMaxBannerSort) std::abort();
    const std::string file = ui::BannerPictureFile("/d", element.sort, element.pictureUrl);
    // One plain name inside the folder, whatever the URL said.
    if (file.find('/', 3) != std::string::npos || file.find("..") != std::string::npos) std::abort();
  }
  ui::BannerSuffix(answer);
  return 0;
}
