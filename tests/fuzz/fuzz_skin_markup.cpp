// The skin markup parser: any text gives runs that tile the shown text in
// order, and links, breaks and objects that point inside it.
#include "toolkit/Markup.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const bool multiline : {true, false}) {
    const cwui::MarkupText m = cwui::ParseMarkup(text, multiline);
    std::size_t at = 0;
    for (const auto& run : m.runs) {
      if (run.start != at || run.end <= run.start) std::abort();
      if (run.style.link >= static_cast<int>(m.links.size())) std::abort();
      at = run.end;
    }
    if (at != m.text.size()) std::abort();
    for (const auto& link : m.links) {
      if (link.start > link.end || link.end > m.text.size()) std::abort();
    }
    for (const auto& object : m.objects) {
      if (m.text.compare(object.offset, 3, "\xEF\xBF\xBC") != 0) std::abort();
    }
    for (const auto& paragraph : m.paragraphs) {
      if (paragraph.offset >= m.text.size() || m.text[paragraph.offset] != '\n') std::abort();
    }
  }
  return 0;
}
