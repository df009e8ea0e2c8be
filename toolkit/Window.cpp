#include "toolkit/Window.h"

#include "toolkit/ControlText.h"
#include "toolkit/Layout.h"
#include "toolkit/Markup.h"
#include "toolkit/WindowParts.h"

#include <algorithm>

namespace cwui {
using namespace window_parts;
namespace {

constexpr int kMaxWheelSteps = 100;   // keeps step arithmetic far from overflow

// Later siblings are painted over earlier ones: they are hit first.
template <typename Takes>
Control* Hit(Control& c, int x, int y, const Takes& takes) {
  if (!c.visible || !Contains(c.rect, x, y)) return nullptr;
  for (auto it = c.children().rbegin(); it != c.children().rend(); ++it) {
    if (Control* hit = Hit(**it, x, y, takes)) return hit;
  }
  return takes(c) ? &c : nullptr;
}

// Texts and labels showing markup take the pointer on their links only.
bool ShowsLinks(const Control& c) {
  return (c.kind() == "text" || c.kind() == "label") && ParseBool(c.attribute("showhtml"));
}

int LinkCount(const Control& c) { return ShowsLinks(c) ? static_cast<int>(ParseMarkup(c.text()).links.size()) : 0; }

}  // namespace

Window::Window(Skin skin, ImageCache::Source images)
    : m_skin(std::move(skin)),
      m_images(images ? std::move(images) : [](const std::string&) { return std::optional<std::string>(); }) {
  // In document order, a later selected option of a group wins, and so does
  // a later selected item of a combo.
  std::vector<Control*> selected;
  Walk(*m_skin.root, [&selected](Control& c) {
    if (c.isOption() && c.selected && !c.group.empty()) selected.push_back(&c);
    if (c.kind() == "listlabelelement" && c.selected && c.parent() != nullptr && c.parent()->kind() == "combo") {
      const auto& items = c.parent()->children();
      const auto at = std::find_if(items.begin(), items.end(), [&c](const auto& item) { return item.get() == &c; });
      c.parent()->selectedItem = static_cast<int>(at - items.begin());
      c.parent()->setAttribute("text", c.text());
    }
  });
  for (Control* option : selected) {
    option->selected = false;
    select(*option, true);
  }
  layout();
}

void Window::layout() {
  LayoutSkin(m_skin);
  changed(*m_skin.root, Change::Layout);
  if (m_dropBox.combo == nullptr) return;
  if (!m_dropBox.combo->enabled || !Shown(*m_dropBox.combo)) {
    closeDropBox();
    return;
  }
  invalidate(m_dropBox.rect);
  placeDropBox();
  invalidate(m_dropBox.rect);
}

void Window::invalidate(const Rect& rect) {
  if (m_invalidate && rect.width() > 0 && rect.height() > 0) m_invalidate(rect);
}

void Window::setLanguage(const std::string& tag) {
  if (tag == m_language) return;
  m_language = tag;
  layout();
  invalidate();
}

void Window::setText(Control& control, const std::string& text) {
  if (control.text() == text) return;
  control.setAttribute("text", text);
  control.caret = Boundary(text, control.caret);
  control.anchor = Boundary(text, control.anchor);
  control.scrollY = 0;
  control.hotLink = -1;  // the links may be others now
  if (&control == m_focused && m_focusLink >= LinkCount(control)) m_focusLink = LinkCount(control) > 0 ? 0 : -1;
  invalidate(control.rect);
  changed(control, Change::Text);
}

void Window::setAttribute(Control& control, const std::string& name, const std::string& value) {
  if (name == "text") {
    setText(control, value);
    return;
  }
  control.setAttribute(name, value);
  layout();
  invalidate();
  changed(control, Change::Layout);
}

void Window::setVisible(Control& control, bool visible) {
  if (control.visible == visible) return;
  control.visible = visible;
  layout();
  invalidate();
  changed(control, Change::Visible);
}

void Window::setEnabled(Control& control, bool enabled) {
  if (control.enabled == enabled) return;
  control.enabled = enabled;
  if (!enabled && m_dropBox.combo == &control) closeDropBox();
  if (!enabled && m_focused == &control) setFocus(nullptr);
  invalidate(control.rect);
  changed(control, Change::Enabled);
}

void Window::selectItem(Control& tab, int index) {
  if (tab.selectedId == index) return;
  tab.selectedId = index;
  layout();
  invalidate(tab.rect);
  changed(tab, Change::Page);
}

void Window::setValue(Control& progress, int value) {
  value = std::clamp(value, std::min(progress.minValue, progress.maxValue), std::max(progress.minValue, progress.maxValue));
  if (progress.value == value) return;
  progress.value = value;
  invalidate(progress.rect);
  changed(progress, Change::Value);
}

Control* Window::hitTest(int x, int y) const {
  return Hit(*m_skin.root, x, y, [this, x, y](const Control& c) {
    if (!c.enabled || !c.mouse) return false;
    return c.isInteractive() || (ShowsLinks(c) && linkAt(c, x, y) >= 0);
  });
}

int Window::linkAt(const Control& control, int x, int y) const { return ControlText(*this, control).linkAt(x, y); }

void Window::setHot(Control* control, int link) {
  if (control != m_hot) {
    if (m_hot != nullptr) {
      m_hot->hot = false;
      m_hot->hotLink = -1;
      invalidate(m_hot->rect);
    }
    m_hot = control;
    if (m_hot != nullptr) {
      m_hot->hot = true;
      invalidate(m_hot->rect);
    }
  }
  if (m_hot != nullptr && m_hot->hotLink != link) {
    m_hot->hotLink = link;
    invalidate(m_hot->rect);
  }
  if (m_pushed != nullptr) m_pushed->pushed = m_pushed == m_hot;  // pushed only while the pointer is over it
}

// An open drop box lies over the controls: it takes the pointer first.
void Window::pointerMove(int x, int y) {
  if (m_dropBox.combo != nullptr && Contains(m_dropBox.rect, x, y)) {
    setHot(nullptr, -1);
    if (const int item = dropBoxItemAt(x, y); item >= 0) setDropBoxHot(item);
    return;
  }
  Control* now = hitTest(x, y);
  setHot(now, now != nullptr && ShowsLinks(*now) ? linkAt(*now, x, y) : -1);
}

void Window::pointerPress(int x, int y) {
  if (m_dropBox.combo != nullptr) {
    if (Contains(m_dropBox.rect, x, y)) {
      pointerMove(x, y);
      m_dropBoxPress = dropBoxItemAt(x, y);
      return;
    }
    closeDropBox();  // a press outside only closes the list, as a popup's would
    pointerMove(x, y);
    return;
  }
  pointerMove(x, y);
  m_pushed = m_hot;
  if (m_pushed == nullptr) return;
  m_pushed->pushed = true;
  m_pushedLink = m_pushed->hotLink;
  if (m_pushed->isInteractive() && m_pushed->keyboard) setFocus(m_pushed);
  if (m_pushed->kind() == "edit") {  // no caret placement by pixel: the end is where typing goes on
    m_pushed->caret = m_pushed->anchor = m_pushed->text().size();
    invalidate(m_pushed->rect);
  }
}

void Window::pointerRelease(int x, int y) {
  pointerMove(x, y);
  if (m_dropBoxPress) {
    const int pressed = *m_dropBoxPress;
    m_dropBoxPress.reset();
    if (m_dropBox.combo != nullptr && pressed >= 0 && dropBoxItemAt(x, y) == pressed) chooseDropBoxItem(pressed);
    return;
  }
  Control* pushed = m_pushed;
  const int link = m_pushedLink;
  m_pushed = nullptr;
  m_pushedLink = -1;
  if (pushed == nullptr) return;
  pushed->pushed = false;
  invalidate(pushed->rect);
  // A press that ends elsewhere is no click.
  if (pushed != m_hot) return;
  if (ShowsLinks(*pushed)) {
    if (link >= 0 && link == pushed->hotLink) sendLink(*pushed, link);
    return;
  }
  activate(*pushed);
}

void Window::sendLink(Control& control, int link) {
  const ControlText text(*this, control);
  if (link >= static_cast<int>(text.markup().links.size())) return;
  Notification n;
  n.type = "link";
  n.sender = &control;
  n.link = text.markup().links[static_cast<std::size_t>(link)].target;
  if (n.link.empty()) n.link = std::to_string(link);
  if (m_notify) m_notify(n);
}

void Window::click(Control& control) {
  if (!control.enabled || !Shown(control)) return;
  if (control.isInteractive() && control.keyboard) setFocus(&control);
  activate(control);
}

void Window::followLink(Control& control, int link) {
  if (control.enabled && Shown(control) && link >= 0 && link < LinkCount(control)) sendLink(control, link);
}

// Links in texts and labels are stops too, one per link, in text order.
std::vector<Window::FocusStop> Window::focusOrder() const {
  std::vector<FocusStop> order;
  Walk(*m_skin.root, [&order](Control& c) {
    if (!c.enabled || !c.keyboard || !Shown(c)) return;
    if (c.isInteractive()) order.push_back({&c, -1});
    for (int link = 0, links = LinkCount(c); link < links; ++link) order.push_back({&c, link});
  });
  std::stable_sort(order.begin(), order.end(), [](const FocusStop& a, const FocusStop& b) {
    const Rect &ra = a.control->rect, &rb = b.control->rect;
    return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
  });
  return order;
}

void Window::focusNext(bool backwards) {
  const std::vector<FocusStop> order = focusOrder();
  if (order.empty()) return;
  const auto it = std::find(order.begin(), order.end(), FocusStop{m_focused, m_focusLink});
  std::size_t next = 0;
  if (it == order.end()) {
    next = backwards ? order.size() - 1 : 0;
  } else {
    const std::size_t at = static_cast<std::size_t>(it - order.begin());
    next = backwards ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
  }
  setFocus(order[next].control, order[next].link);
}

void Window::setFocus(Control* control, int link) {
  if (control == m_focused && link < 0) return;  // the focused link stays
  const int links = control != nullptr ? LinkCount(*control) : 0;
  link = links == 0 ? -1 : std::clamp(link, 0, links - 1);
  if (control == m_focused) {
    if (link == m_focusLink) return;
    m_focusLink = link;  // another link of the same text
    invalidate(control->rect);
    changed(*control, Change::Focus);
    return;
  }
  if (m_dropBox.combo != nullptr && m_dropBox.combo != control) closeDropBox();
  Control* old = m_focused;
  if (old != nullptr) {
    old->focused = false;
    invalidate(old->rect);
  }
  m_focused = control;
  m_focusLink = link;
  if (old != nullptr) changed(*old, Change::Focus);
  if (m_focused != nullptr) {
    m_focused->focused = true;
    invalidate(m_focused->rect);
    changed(*m_focused, Change::Focus);
    notify("setfocus", m_focused);
  }
}

void Window::pressFocused() {
  if (m_focused != nullptr && m_focused->enabled && Shown(*m_focused)) press(*m_focused);
}

void Window::press(Control& control) {
  if (ShowsLinks(control)) {
    followLink(control, &control == m_focused ? m_focusLink : 0);
    return;
  }
  activate(control);
}

// Combos open their list; edits and rich edits take focus and keys, not clicks.
void Window::activate(Control& control) {
  if (control.kind() == "combo") {
    openDropBox(control);
    return;
  }
  if (control.kind() == "edit" || control.kind() == "richedit") return;
  notify("click", &control);
  if (control.isOption()) select(control, control.group.empty() ? !control.selected : true);
}

void Window::select(Control& option, bool selected) {
  if (option.selected == selected) return;
  if (selected && !option.group.empty()) {
    Walk(*m_skin.root, [this, &option](Control& c) {
      if (&c == &option || !c.isOption() || c.group != option.group || !c.selected) return;
      c.selected = false;
      changed(c, Change::Checked);
    });
  }
  option.selected = selected;
  invalidate();  // the group's other members may be anywhere
  changed(option, Change::Checked);
  notify("selectchanged", &option);
}

bool Window::keyPress(Key key, bool shift) {
  if (key == Key::Tab) {
    focusNext(shift);
    return true;
  }
  if (m_dropBox.combo != nullptr) return dropBoxKey(key);
  Control* focused = m_focused;
  if (focused == nullptr || !focused->enabled || !Shown(*focused)) return false;
  if (focused->kind() == "edit") return editKey(*focused, key, shift);
  if (focused->kind() == "richedit") return richEditKey(*focused, key);
  if (focused->kind() == "combo" && comboKey(*focused, key)) return true;
  if (key != Key::Space && key != Key::Return) return false;
  press(*focused);
  return true;
}

// ---- Combo and its drop box

void Window::wheel(int x, int y, int steps) {
  steps = std::clamp(steps, -kMaxWheelSteps, kMaxWheelSteps);
  if (m_dropBox.combo != nullptr) {  // an open list keeps the wheel to itself
    if (Contains(m_dropBox.rect, x, y)) scrollDropBox(m_dropBox.first + steps * kWheelItems);
    return;
  }
  Control* over = hitTest(x, y);
  if (over != nullptr && over->kind() == "richedit" && scrollRichEdit(*over, static_cast<long long>(over->scrollY) + steps * kWheelLines * kLineHeight)) {
    return;
  }
  // Else the innermost layout under the pointer that scrolls.
  for (Control* c = over; c != nullptr; c = c->parent()) {
    if (c->kind() == "verticallayout" && c->scrollHeight > c->rect.height() - c->inset.top - c->inset.bottom) {
      const int before = c->scrollY;
      c->scrollY = std::clamp(before + steps * kWheelLines * kLineHeight, 0, c->scrollHeight);
      layout();
      if (c->scrollY != before) invalidate(c->rect);
      return;
    }
  }
}

void Window::notifyFor(const char* type, Control& sender) { notify(type, &sender); }

void Window::notify(const char* type, Control* sender) {
  Notification n;
  n.type = type;
  n.sender = sender;
  if (m_notify) m_notify(n);
}

}  // namespace cwui
