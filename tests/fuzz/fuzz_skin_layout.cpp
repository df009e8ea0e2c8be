// The layout reader and the layout pass: any text (also included by itself)
// must read or be refused without a fault, and every laid-out rectangle must
// have a size of zero or more.
#include "toolkit/Layout.h"
#include "toolkit/Skin.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(const cwui::Control& control) {
  if (control.rect.width() < 0 || control.rect.height() < 0) std::abort();
  for (const auto& child : control.children()) Check(*child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Every include names the input itself: nesting and count bounds must hold.
  auto skin = cwui::ReadSkin(text, [&text](const std::string&) { return std::optional<std::string>(text); });
  if (skin) {
    cwui::LayoutSkin(*skin);
    Check(*skin->root);
    for (const auto& [name, control] : skin->byName) {
      if (control == nullptr || control->name() != name) std::abort();
    }
  }
  return 0;
}
