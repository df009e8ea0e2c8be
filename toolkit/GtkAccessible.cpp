#include "toolkit/GtkAccessible.h"

#include "toolkit/GtkAccessibleNode.h"

#include <algorithm>
#include <utility>

namespace cwui {
using a11y::NodeKey;

static_assert(ATK_STATE_LAST_DEFINED < 64, "a state set fits one 64-bit word");
constexpr std::size_t kMaxPending = 64;  // actions asked for faster than the loop runs them are dropped

AccessibleTree::AccessibleTree(Window& window) : m_window(window) {
  m_area = a11y::NewArea(this);
  g_object_ref_sink(m_area);  // the tree outlives the host's widgets: it goes last
}

AccessibleTree::~AccessibleTree() {
  if (m_pendingSource != 0) g_source_remove(m_pendingSource);
  a11y::ForgetArea(m_area);
  for (auto& [key, seen] : m_nodes) a11y::ForgetNode(seen.object);
  for (auto& [key, seen] : m_nodes) g_object_unref(seen.object);
  g_object_unref(m_area);
}

NodeKey AccessibleTree::rootKey() const { return {m_window.skin().root.get(), -1}; }

AtkObject* AccessibleTree::objectFor(NodeKey key) {
  if (key == rootKey()) return gtk_widget_get_accessible(m_area);
  if (const auto it = m_nodes.find(key); it != m_nodes.end()) return it->second.object;
  AtkObject* parent = objectFor(a11y::ParentOf(m_window, key));
  AtkObject* object = a11y::NewNode(this, key, parent);
  m_nodes[key] = Seen{object, statesOf(key), key.control->value};
  return object;
}

const std::vector<NodeKey>& AccessibleTree::children(NodeKey key) {
  auto [it, added] = m_shown.try_emplace(key);
  if (added) it->second = a11y::ChildrenOf(m_window, key);
  return it->second;
}

unsigned long long AccessibleTree::statesOf(NodeKey key) const {
  unsigned long long bits = 0;
  for (AtkStateType state : a11y::StatesOf(m_window, key)) bits |= 1ULL << state;
  return bits;
}

void AccessibleTree::changed(Control& control, Change what) {
  if (m_nodes.empty() && m_shown.empty()) return;  // no one has looked yet
  if (what == Change::Value) {
    announceValue(control);
    return;
  }
  announceChildren();
  announceNamesAndStates();
}

// Removals from the last index down, so each index is still the one the
// client holds; then additions at their new indexes.
void AccessibleTree::announceChildren() {
  std::vector<NodeKey> parents;
  for (const auto& [parent, shown] : m_shown) parents.push_back(parent);
  for (const NodeKey parent : parents) {
    std::vector<NodeKey> now = a11y::ChildrenOf(m_window, parent);
    std::vector<NodeKey> before = std::exchange(m_shown[parent], now);
    if (now == before) continue;
    AtkObject* object = objectFor(parent);
    for (std::size_t i = before.size(); i-- > 0;) {
      if (std::find(now.begin(), now.end(), before[i]) != now.end()) continue;
      g_signal_emit_by_name(object, "children-changed::remove", static_cast<guint>(i), objectFor(before[i]));
    }
    for (std::size_t i = 0; i < now.size(); ++i) {
      if (std::find(before.begin(), before.end(), now[i]) != before.end()) continue;
      g_signal_emit_by_name(object, "children-changed::add", static_cast<guint>(i), objectFor(now[i]));
    }
  }
}

// States that end are told before those that begin, so the focus leaves
// one object before it reaches the next.
void AccessibleTree::announceNamesAndStates() {
  std::vector<std::pair<AtkObject*, std::string>> names, descriptions;
  std::vector<std::pair<AtkObject*, AtkStateType>> ended, begun;
  for (auto& [key, seen] : m_nodes) {
    const char* name = atk_object_get_name(seen.object);
    if (std::string now = a11y::NameOf(m_window, key); now != (name != nullptr ? name : "")) {
      names.emplace_back(seen.object, std::move(now));
    }
    const char* description = atk_object_get_description(seen.object);
    if (std::string now = a11y::DescriptionOf(m_window, key); now != (description != nullptr ? description : "")) {
      descriptions.emplace_back(seen.object, std::move(now));
    }
    const unsigned long long now = statesOf(key), flipped = now ^ seen.states;
    seen.states = now;
    for (int state = 0; state < ATK_STATE_LAST_DEFINED; ++state) {
      if ((flipped >> state & 1ULL) == 0) continue;
      ((now >> state & 1ULL) != 0 ? begun : ended).emplace_back(seen.object, static_cast<AtkStateType>(state));
    }
  }
  for (const auto& [object, name] : names) atk_object_set_name(object, name.c_str());
  for (const auto& [object, description] : descriptions) atk_object_set_description(object, description.c_str());
  for (const auto& [object, state] : ended) atk_object_notify_state_change(object, state, FALSE);
  for (const auto& [object, state] : begun) atk_object_notify_state_change(object, state, TRUE);
}

void AccessibleTree::announceValue(Control& control) {
  const auto it = m_nodes.find(NodeKey{&control, -1});
  if (it == m_nodes.end() || it->second.value == control.value) return;
  it->second.value = control.value;
  AtkObject* object = it->second.object;
  g_object_notify(G_OBJECT(object), "accessible-value");
  gdouble value = 0;
  gchar* text = nullptr;
  atk_value_get_value_and_text(ATK_VALUE(object), &value, &text);
  g_signal_emit_by_name(object, "value-changed", value, text);
  g_free(text);
}

void AccessibleTree::nameEntry(GtkWidget* entry, const Control& edit) {
  const std::string name = a11y::NameOf(m_window, NodeKey{const_cast<Control*>(&edit), -1});
  atk_object_set_name(gtk_widget_get_accessible(entry), name.c_str());
}

void AccessibleTree::perform(NodeKey key) {
  if (m_pending.size() >= kMaxPending) return;
  m_pending.push_back(key);
  if (m_pendingSource == 0) m_pendingSource = g_idle_add(RunPending, this);
}

// One action a dispatch, and nothing of the tree touched after it: an
// action may close the window and end the tree with it.
int AccessibleTree::RunPending(void* self) {
  auto* tree = static_cast<AccessibleTree*>(self);
  const NodeKey key = tree->m_pending.front();
  tree->m_pending.erase(tree->m_pending.begin());
  const bool more = !tree->m_pending.empty();
  if (!more) tree->m_pendingSource = 0;
  a11y::Perform(tree->m_window, key);
  return more ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

bool AccessibleTree::origin(bool screen, int* x, int* y) const {
  GdkWindow* own = gtk_widget_get_window(m_area);
  if (own == nullptr) return false;
  if (screen) {
    gdk_window_get_origin(own, x, y);
    return true;
  }
  return gtk_widget_translate_coordinates(m_area, gtk_widget_get_toplevel(m_area), 0, 0, x, y) != FALSE;
}

}  // namespace cwui
