#include "toolkit/Window.h"

#include "toolkit/Layout.h"

#include <algorithm>

namespace cwui {
namespace {

bool Contains(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

bool Shown(const Control& c) {
  for (const Control* p = &c; p != nullptr; p = p->parent()) {
    if (!p->visible) return false;
  }
  return c.rect.width() > 0 && c.rect.height() > 0;
}

template <typename F>
void Walk(Control& c, const F& f) {
  f(c);
  for (const auto& child : c.children()) Walk(*child, f);
}

// Later siblings are painted over earlier ones: they are hit first.
Control* Hit(Control& c, int x, int y) {
  if (!c.visible || !Contains(c.rect, x, y)) return nullptr;
  for (auto it = c.children().rbegin(); it != c.children().rend(); ++it) {
    if (Control* hit = Hit(**it, x, y)) return hit;
  }
  return c.isInteractive() && c.enabled && c.mouse ? &c : nullptr;
}

}  // namespace

Window::Window(Skin skin, ImageCache::Source images)
    : m_skin(std::move(skin)),
      m_images(images ? std::move(images) : [](const std::string&) { return std::optional<std::string>(); }) {
  // In document order, a later selected option of a group wins.
  std::vector<Control*> selected;
  Walk(*m_skin.root, [&selected](Control& c) {
    if (c.isOption() && c.selected && !c.group.empty()) selected.push_back(&c);
  });
  for (Control* option : selected) {
    option->selected = false;
    select(*option, true);
  }
  layout();
}

void Window::layout() { LayoutSkin(m_skin); }

void Window::invalidate(const Rect& rect) {
  if (m_invalidate && rect.width() > 0 && rect.height() > 0) m_invalidate(rect);
}

void Window::setText(Control& control, const std::string& text) {
  if (control.text() == text) return;
  control.setAttribute("text", text);
  control.caret = control.anchor = std::min(control.caret, text.size());
  invalidate(control.rect);
}

void Window::setVisible(Control& control, bool visible) {
  if (control.visible == visible) return;
  control.visible = visible;
  layout();
  invalidate();
}

void Window::setEnabled(Control& control, bool enabled) {
  if (control.enabled == enabled) return;
  control.enabled = enabled;
  if (!enabled && m_focused == &control) setFocus(nullptr);
  invalidate(control.rect);
}

void Window::selectItem(Control& tab, int index) {
  if (tab.selectedId == index) return;
  tab.selectedId = index;
  layout();
  invalidate(tab.rect);
}

void Window::setValue(Control& progress, int value) {
  value = std::clamp(value, std::min(progress.minValue, progress.maxValue), std::max(progress.minValue, progress.maxValue));
  if (progress.value == value) return;
  progress.value = value;
  invalidate(progress.rect);
}

Control* Window::hitTest(int x, int y) const { return Hit(*m_skin.root, x, y); }

void Window::pointerMove(int x, int y) {
  Control* now = hitTest(x, y);
  if (now == m_hot) return;
  if (m_hot != nullptr) {
    m_hot->hot = false;
    invalidate(m_hot->rect);
  }
  m_hot = now;
  if (m_hot != nullptr) {
    m_hot->hot = true;
    invalidate(m_hot->rect);
  }
  if (m_pushed != nullptr) m_pushed->pushed = m_pushed == m_hot;  // pushed only while the pointer is over it
}

void Window::pointerPress(int x, int y) {
  pointerMove(x, y);
  m_pushed = m_hot;
  if (m_pushed == nullptr) return;
  m_pushed->pushed = true;
  if (m_pushed->keyboard) setFocus(m_pushed);
}

void Window::pointerRelease(int x, int y) {
  pointerMove(x, y);
  Control* pushed = m_pushed;
  m_pushed = nullptr;
  if (pushed == nullptr) return;
  pushed->pushed = false;
  invalidate(pushed->rect);
  // A press that ends elsewhere is no click.
  if (pushed == m_hot) activate(*pushed);
}

std::vector<Control*> Window::focusOrder() const {
  std::vector<Control*> order;
  Walk(*m_skin.root, [&order](Control& c) {
    if (c.isInteractive() && c.enabled && c.keyboard && Shown(c)) order.push_back(&c);
  });
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    return a->rect.top != b->rect.top ? a->rect.top < b->rect.top : a->rect.left < b->rect.left;
  });
  return order;
}

void Window::focusNext(bool backwards) {
  const std::vector<Control*> order = focusOrder();
  if (order.empty()) return;
  const auto it = std::find(order.begin(), order.end(), m_focused);
  std::size_t next = 0;
  if (it == order.end()) {
    next = backwards ? order.size() - 1 : 0;
  } else {
    const std::size_t at = static_cast<std::size_t>(it - order.begin());
    next = backwards ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
  }
  setFocus(order[next]);
}

void Window::setFocus(Control* control) {
  if (control == m_focused) return;
  if (m_focused != nullptr) {
    m_focused->focused = false;
    invalidate(m_focused->rect);
  }
  m_focused = control;
  if (m_focused != nullptr) {
    m_focused->focused = true;
    invalidate(m_focused->rect);
    notify("setfocus", m_focused);
  }
}

void Window::pressFocused() {
  if (m_focused != nullptr && m_focused->enabled && Shown(*m_focused)) activate(*m_focused);
}

void Window::activate(Control& control) {
  notify("click", &control);
  if (control.isOption()) select(control, control.group.empty() ? !control.selected : true);
}

void Window::select(Control& option, bool selected) {
  if (option.selected == selected) return;
  if (selected && !option.group.empty()) {
    Walk(*m_skin.root, [&option](Control& c) {
      if (&c != &option && c.isOption() && c.group == option.group) c.selected = false;
    });
  }
  option.selected = selected;
  invalidate();  // the group's other members may be anywhere
  notify("selectchanged", &option);
}

// Combo lists, edit keys, text input and the wheel: a first version; the
// keyboard rules of the header hold for buttons, options and check boxes.
bool Window::keyPress(Key key, bool shift) {
  switch (key) {
    case Key::Tab:
      focusNext(shift);
      return true;
    case Key::Space:
    case Key::Return:
      if (m_focused == nullptr) return false;
      pressFocused();
      return true;
    default:
      return false;
  }
}

void Window::textInput(const std::string&) {}
void Window::wheel(int, int, int) {}
void Window::openDropBox(Control&) {}
void Window::closeDropBox() { m_dropBox = DropBox{}; }

void Window::selectComboItem(Control& combo, int index) {
  if (combo.selectedItem == index) return;
  const int old = combo.selectedItem;
  combo.selectedItem = index;
  invalidate(combo.rect);
  Notification n{"itemselect", &combo, index, old, {}};
  if (m_notify) m_notify(n);
}

void Window::notifyFor(const char* type, Control& sender) { notify(type, &sender); }

void Window::notify(const char* type, Control* sender) {
  Notification n;
  n.type = type;
  n.sender = sender;
  if (m_notify) m_notify(n);
}

}  // namespace cwui
