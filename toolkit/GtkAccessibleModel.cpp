#include "toolkit/GtkAccessibleModel.h"

#include "toolkit/ControlText.h"
#include "toolkit/Markup.h"
#include "toolkit/WindowParts.h"

#include <glib.h>
#include <pango/pango.h>

#include <algorithm>
#include <string_view>

namespace cwui::a11y {
using namespace window_parts;
namespace {

bool Is(const Control& c, std::string_view kind) { return c.kind() == kind; }
bool IsPage(const Control& c) { return c.parent() != nullptr && Is(*c.parent(), "tablayout"); }
bool IsItem(const Control& c) { return Is(c, "listlabelelement"); }
bool IsTextKind(const Control& c) { return Is(c, "label") || Is(c, "text") || Is(c, "richedit"); }
bool ShowsLinks(const Control& c) { return (Is(c, "label") || Is(c, "text")) && ParseBool(c.attribute("showhtml")); }
bool Focusable(const Control& c) { return c.keyboard && c.isInteractive(); }

int IndexIn(const Control& c) {
  if (c.parent() == nullptr) return -1;
  const auto& siblings = c.parent()->children();
  const auto at = std::find_if(siblings.begin(), siblings.end(), [&c](const auto& s) { return s.get() == &c; });
  return static_cast<int>(at - siblings.begin());
}

MarkupText Markup(const Control& c) { return ParseMarkup(c.text(), ParseBool(c.attribute("multiline"))); }

// D-Bus refuses strings that are not UTF-8.
std::string Valid(const std::string& text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  gchar* made = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string valid(made);
  g_free(made);
  return valid;
}

// Names are kept short.
std::string Clean(const std::string& text) {
  std::string valid = Valid(text);
  if (valid.size() > kMaxNameBytes) valid.resize(Boundary(valid, kMaxNameBytes));
  return valid;
}

// The node a control's object sits in: its combo, its tab layout, or the
// nearest ancestor that is a node.
const Control* NodeAbove(const Control& c) {
  if (IsPage(c) || (IsItem(c) && c.parent() != nullptr && Is(*c.parent(), "combo"))) return c.parent();
  for (const Control* p = c.parent(); p != nullptr; p = p->parent()) {
    if (p->parent() == nullptr || IsNode(*p)) return p;
  }
  return nullptr;
}

bool Listed(const Control& c) {
  if (IsPage(c) || IsItem(c)) return c.visible;
  if (!Shown(c)) return false;
  return !(Is(c, "label") || Is(c, "text")) || !TextOf(c).empty();
}

void Collect(const Control& c, std::vector<NodeKey>& out) {
  for (const auto& child : c.children()) {
    if (!child->visible) continue;
    if (!IsNode(*child)) {
      Collect(*child, out);
    } else if (Listed(*child)) {
      out.push_back({child.get(), -1});
    }
  }
}

Rect ClippedToAncestors(const Control& c, Rect r) {
  for (const Control* p = c.parent(); p != nullptr && r.width() > 0; p = p->parent()) r = Intersect(r, p->rect);
  return r;
}

// The link's glyphs: from its first character's box to its last one's,
// across the whole text width when it wraps.
Rect LinkExtents(const Window& window, const Control& c, int link) {
  const ControlText text(window, c);
  const auto& links = text.markup().links;
  if (link < 0 || link >= static_cast<int>(links.size()) || links[link].end <= links[link].start) return {};
  const std::string& shown = text.markup().text;
  const std::size_t last = Boundary(shown, links[link].end - 1);
  PangoRectangle a, b;
  pango_layout_index_to_pos(text.layout(), static_cast<int>(links[link].start), &a);
  pango_layout_index_to_pos(text.layout(), static_cast<int>(last), &b);
  Rect r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x + a.width, b.x + b.width), std::max(a.y + a.height, b.y + b.height)};
  r = {text.x() + r.left / PANGO_SCALE, text.y() + r.top / PANGO_SCALE, text.x() + r.right / PANGO_SCALE,
       text.y() + r.bottom / PANGO_SCALE};
  if (a.y != b.y) r = {c.rect.left, r.top, c.rect.right, r.bottom};
  return ClippedToAncestors(c, Intersect(r, c.rect));
}

Rect ItemExtents(const Window& window, const Control& item) {
  const DropBox& box = window.dropBox();
  if (box.combo != item.parent()) return {};
  for (const DropBox::Item& shown : box.items) {
    if (shown.index == IndexIn(item)) return shown.rect;
  }
  return {};
}

}  // namespace

bool IsNode(const Control& c) {
  if (c.parent() == nullptr) return false;
  static constexpr std::string_view kKinds[] = {"button", "option", "checkbox", "combo", "listlabelelement", "edit",
                                                "richedit", "label",  "text",     "progress", "tablayout"};
  return IsPage(c) || std::find(std::begin(kKinds), std::end(kKinds), c.kind()) != std::end(kKinds) ||
         !c.attribute("accessiblename").empty();
}

AtkRole RoleOf(NodeKey key) {
  const Control& c = *key.control;
  if (key.link >= 0) return ATK_ROLE_LINK;
  if (IsPage(c)) return ATK_ROLE_PAGE_TAB;
  if (Is(c, "button")) return ATK_ROLE_PUSH_BUTTON;
  if (Is(c, "checkbox")) return ATK_ROLE_CHECK_BOX;
  if (Is(c, "option")) return c.group.empty() ? ATK_ROLE_TOGGLE_BUTTON : ATK_ROLE_RADIO_BUTTON;
  if (Is(c, "combo")) return ATK_ROLE_COMBO_BOX;
  if (IsItem(c)) return ATK_ROLE_LIST_ITEM;
  if (Is(c, "edit")) return ParseBool(c.attribute("password")) ? ATK_ROLE_PASSWORD_TEXT : ATK_ROLE_ENTRY;
  if (Is(c, "richedit")) return ATK_ROLE_TEXT;
  if (Is(c, "label") || Is(c, "text")) return ATK_ROLE_LABEL;
  if (Is(c, "progress")) return ATK_ROLE_PROGRESS_BAR;
  if (Is(c, "tablayout")) return ATK_ROLE_PAGE_TAB_LIST;
  return ATK_ROLE_PANEL;
}

NodeKey ParentOf(const Window& window, NodeKey key) {
  if (key.link >= 0) return {key.control, -1};
  const Control* above = NodeAbove(*key.control);
  return {const_cast<Control*>(above != nullptr ? above : window.skin().root.get()), -1};
}

std::vector<NodeKey> ChildrenOf(const Window&, NodeKey key) {
  std::vector<NodeKey> out;
  if (key.link >= 0) return out;
  const Control& c = *key.control;
  if (ShowsLinks(c)) {
    const int links = static_cast<int>(Markup(c).links.size());
    for (int i = 0; i < links; ++i) out.push_back({key.control, i});
    return out;
  }
  if (Is(c, "combo") || Is(c, "tablayout")) {
    for (const auto& child : c.children()) {
      if (child->visible && (Is(c, "tablayout") || IsItem(*child))) out.push_back({child.get(), -1});
    }
    return out;
  }
  Collect(c, out);
  return out;
}

std::string TextOf(const Control& c) {
  if (!ParseBool(c.attribute("showhtml"))) return Valid(c.text());
  std::string text = Markup(c).text;
  // Gaps and pictures are U+FFFC for the painter: nothing to read.
  for (std::size_t at; (at = text.find("\xEF\xBF\xBC")) != std::string::npos;) text.erase(at, 3);
  return Valid(text);
}

std::string NameOf(const Window&, NodeKey key) {
  const Control& c = *key.control;
  if (key.link >= 0) {
    const MarkupText markup = Markup(c);
    if (key.link >= static_cast<int>(markup.links.size())) return {};
    const auto& link = markup.links[static_cast<std::size_t>(key.link)];
    return Clean(markup.text.substr(link.start, link.end - link.start));
  }
  if (const std::string given = c.attribute("accessiblename"); !given.empty()) return Clean(given);
  const bool textIsValue = Is(c, "edit") || Is(c, "richedit") || IsPage(c) || Is(c, "progress");
  if (!textIsValue) {
    if (const std::string shown = TextOf(c); !shown.empty()) return Clean(shown);
  }
  if (const std::string tip = c.attribute("tooltip"); !tip.empty()) return Clean(tip);
  return Clean(c.name());
}

std::string DescriptionOf(const Window& window, NodeKey key) {
  if (key.link >= 0) return {};
  const std::string tip = Clean(key.control->attribute("tooltip"));
  return tip == NameOf(window, key) ? std::string() : tip;
}

std::vector<AtkStateType> StatesOf(const Window& window, NodeKey key) {
  const Control& c = *key.control;
  std::vector<AtkStateType> states;
  const auto add = [&states](bool on, std::initializer_list<AtkStateType> some) {
    if (on) states.insert(states.end(), some);
  };
  bool visible = true;
  for (const Control* p = &c; p != nullptr; p = p->parent()) visible = visible && p->visible;
  add(c.enabled, {ATK_STATE_ENABLED, ATK_STATE_SENSITIVE});
  add(visible, {ATK_STATE_VISIBLE});
  add(visible && ExtentsOf(window, key).width() > 0, {ATK_STATE_SHOWING});
  if (key.link >= 0) {
    add(c.keyboard, {ATK_STATE_FOCUSABLE});
    add(window.focused() == &c && window.focusedLink() == key.link, {ATK_STATE_FOCUSED});
    return states;
  }
  add(Focusable(c), {ATK_STATE_FOCUSABLE});
  // While the host's own entry is over an edit, that entry holds the focus.
  add(window.focused() == &c && !c.hostEditor && !ShowsLinks(c), {ATK_STATE_FOCUSED});
  add(c.isOption(), {ATK_STATE_CHECKABLE});
  add(c.isOption() && c.selected, {ATK_STATE_CHECKED});
  if (IsPage(c) || IsItem(c)) {
    const Control& list = *c.parent();
    const int selected = IsPage(c) ? list.selectedId : list.selectedItem;
    add(true, {ATK_STATE_SELECTABLE});
    add(selected == IndexIn(c), {ATK_STATE_SELECTED});
  }
  add(Is(c, "combo"), {ATK_STATE_EXPANDABLE});
  add(Is(c, "combo") && window.dropBox().combo == &c, {ATK_STATE_EXPANDED});
  const bool readOnly = ParseBool(c.attribute("readonly"));
  add(Is(c, "edit"), {ATK_STATE_SINGLE_LINE});
  add(Is(c, "edit") && !readOnly, {ATK_STATE_EDITABLE});
  add((Is(c, "edit") && readOnly) || Is(c, "richedit"), {ATK_STATE_READ_ONLY});
  add(Is(c, "richedit") || (IsTextKind(c) && ParseBool(c.attribute("multiline"))), {ATK_STATE_MULTI_LINE});
  return states;
}

Rect ExtentsOf(const Window& window, NodeKey key) {
  const Control& c = *key.control;
  if (key.link >= 0) return Shown(c) ? LinkExtents(window, c, key.link) : Rect{};
  if (IsItem(c)) return ItemExtents(window, c);
  return Shown(c) ? ClippedToAncestors(c, c.rect) : Rect{};
}

const char* ActionOf(NodeKey key) {
  const Control& c = *key.control;
  if (key.link >= 0 || Is(c, "button") || c.isOption()) return "click";
  if (Is(c, "combo")) return "press";
  if (IsItem(c) && c.parent() != nullptr && Is(*c.parent(), "combo")) return "click";
  return nullptr;
}

void Perform(Window& window, NodeKey key) {
  Control& c = *key.control;
  if (key.link >= 0) {
    window.followLink(c, key.link);
  } else if (IsItem(c) && ActionOf(key) != nullptr) {
    Control& combo = *c.parent();
    if (!combo.enabled || !Shown(combo) || !c.visible) return;
    if (window.dropBox().combo == &combo) window.closeDropBox();  // as a click on the item closes the list
    window.selectComboItem(combo, IndexIn(c));
  } else if (!IsItem(c) && ActionOf(key) != nullptr) {
    window.click(c);
  }
}

bool GrabFocus(Window& window, NodeKey key) {
  Control& c = *key.control;
  const bool takes = key.link >= 0 ? ShowsLinks(c) : Focusable(c);
  if (!takes || !c.enabled || !c.keyboard || !Shown(c)) return false;
  window.setFocus(&c, key.link);
  return true;
}

}  // namespace cwui::a11y
