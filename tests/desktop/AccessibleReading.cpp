#include "AccessibleReading.h"

#include "support/AccessibleDesktop.h"

#include <algorithm>
#include <functional>

namespace desktoptest {

std::string TextOf(AtspiAccessible* node) {
  AtspiText* text = atspi_accessible_get_text_iface(node);
  if (text == nullptr) return {};
  gchar* all = atspi_text_get_text(text, 0, -1, nullptr);
  std::string result = all != nullptr ? all : "";
  g_free(all);
  g_object_unref(text);
  return result;
}

std::string TreeText(AtspiAccessible* root) {
  std::string text;
  std::function<void(AtspiAccessible*, int)> walk = [&](AtspiAccessible* at, int depth) {
    gchar* role = atspi_accessible_get_role_name(at, nullptr);
    text += std::string(2 * depth, ' ') + (role != nullptr ? role : "?") + " '" + cwtest::NameOf(at) + "'" +
            (cwtest::HasState(at, ATSPI_STATE_SHOWING) ? "" : " (not showing)") + "\n";
    g_free(role);
    const gint count = std::min(atspi_accessible_get_child_count(at, nullptr), 200);
    for (gint i = 0; i < count && depth < 12; ++i) {
      cwtest::Ref child(atspi_accessible_get_child_at_index(at, i, nullptr));
      if (child) walk(child.get(), depth + 1);
    }
  };
  walk(root, 0);
  return text;
}

}  // namespace desktoptest
