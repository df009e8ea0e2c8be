#include "toolkit/Window.h"

#include "toolkit/ControlText.h"
#include "toolkit/Layout.h"

#include <glib.h>
#include <pango/pango.h>

#include <algorithm>
#include <climits>

namespace cwui {
namespace {

constexpr int kItemHeight = 24;       // a list item without a height
constexpr int kDropBoxHeight = 150;   // a drop box without a dropboxsize height
constexpr int kWheelItems = 3;        // drop box items a wheel step scrolls
constexpr int kLineHeight = 20;       // rich edit: pixels an arrow key scrolls
constexpr int kWheelLines = 3;
constexpr int kMaxWheelSteps = 100;   // keeps step arithmetic far from overflow
constexpr int kDefaultMaxChar = 255;

bool Contains(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

Rect Intersect(const Rect& a, const Rect& b) {
  const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return r.width() > 0 && r.height() > 0 ? r : Rect{};
}

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

// Combo items: its list label children; indexes count all children.
bool IsShownItem(const Control& item) { return item.kind() == "listlabelelement" && item.visible; }
int ItemHeight(const Control& item) { return item.height > 0 ? item.height : kItemHeight; }

std::vector<int> ShownItems(const Control& combo) {
  std::vector<int> items;
  for (std::size_t i = 0; i < combo.children().size(); ++i) {
    if (IsShownItem(*combo.children()[i])) items.push_back(static_cast<int>(i));
  }
  return items;
}

int PositionOf(const std::vector<int>& items, int item) {
  const auto it = std::find(items.begin(), items.end(), item);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

// Where a moving key takes a position among count entries (-1: none yet);
// -1 for keys that do not move. page 0: PageUp and PageDown do not move.
int Step(int position, int count, Key key, int page) {
  if (count <= 0) return -1;
  switch (key) {
    case Key::Up: return position < 0 ? 0 : std::max(position - 1, 0);
    case Key::Down: return position < 0 ? 0 : std::min(position + 1, count - 1);
    case Key::Home: return 0;
    case Key::End: return count - 1;
    case Key::PageUp: return page > 0 ? std::max(position - page, 0) : -1;
    case Key::PageDown: return page > 0 ? std::min(std::max(position, 0) + page, count - 1) : -1;
    default: return -1;
  }
}

// Character steps in an edit's UTF-8 text, by lead bytes, so that even text
// a skin gave unchecked is never split inside a character.
bool IsContinuation(char ch) { return (static_cast<unsigned char>(ch) & 0xC0) == 0x80; }

std::size_t Boundary(const std::string& s, std::size_t at) {
  at = std::min(at, s.size());
  while (at > 0 && at < s.size() && IsContinuation(s[at])) --at;
  return at;
}

std::size_t NextChar(const std::string& s, std::size_t at) {
  if (at >= s.size()) return s.size();
  do ++at;
  while (at < s.size() && IsContinuation(s[at]));
  return at;
}

std::size_t PreviousChar(const std::string& s, std::size_t at) {
  if (at == 0) return 0;
  do --at;
  while (at > 0 && IsContinuation(s[at]));
  return at;
}

std::size_t CountChars(const std::string& s, std::size_t from, std::size_t to) {
  return static_cast<std::size_t>(std::count_if(s.begin() + static_cast<std::ptrdiff_t>(from),
                                                 s.begin() + static_cast<std::ptrdiff_t>(to),
                                                 [](char ch) { return !IsContinuation(ch); }));
}

std::size_t MaxChars(const Control& edit) {
  const int asked = ParseInt(edit.attribute("maxchar"));
  return static_cast<std::size_t>(asked > 0 ? asked : kDefaultMaxChar);
}

// Typed or pasted text is taken whole or not at all: valid UTF-8 without
// control characters, and only digits in a number edit.
bool Acceptable(const std::string& text, bool digitsOnly) {
  if (text.empty() || !g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return false;
  return std::none_of(text.begin(), text.end(), [digitsOnly](char c) {
    const unsigned char ch = static_cast<unsigned char>(c);
    return ch < 0x20 || ch == 0x7F || (digitsOnly && (ch < '0' || ch > '9'));
  });
}

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

void Window::setText(Control& control, const std::string& text) {
  if (control.text() == text) return;
  control.setAttribute("text", text);
  control.caret = Boundary(text, control.caret);
  control.anchor = Boundary(text, control.anchor);
  control.scrollY = 0;
  control.hotLink = -1;  // the links may be others now
  invalidate(control.rect);
}

void Window::setAttribute(Control& control, const std::string& name, const std::string& value) {
  if (name == "text") {
    setText(control, value);
    return;
  }
  control.setAttribute(name, value);
  layout();
  invalidate();
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
  if (!enabled && m_dropBox.combo == &control) closeDropBox();
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
  if (m_dropBox.combo != nullptr && m_dropBox.combo != control) closeDropBox();
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
    Walk(*m_skin.root, [&option](Control& c) {
      if (&c != &option && c.isOption() && c.group == option.group) c.selected = false;
    });
  }
  option.selected = selected;
  invalidate();  // the group's other members may be anywhere
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
  activate(*focused);
  return true;
}

// ---- Combo and its drop box

void Window::selectComboItem(Control& combo, int index) {
  if (combo.selectedItem == index || index < -1 || index >= static_cast<int>(combo.children().size())) return;
  const int old = combo.selectedItem;
  combo.selectedItem = index;
  // The combo shows the chosen item's text.
  if (index >= 0) combo.setAttribute("text", combo.children()[static_cast<std::size_t>(index)]->text());
  invalidate(combo.rect);
  Notification n{"itemselect", &combo, index, old, {}};
  if (m_notify) m_notify(n);
}

void Window::openDropBox(Control& combo) {
  if (m_dropBox.combo == &combo || combo.kind() != "combo" || !combo.enabled || !Shown(combo)) return;
  closeDropBox();
  m_dropBox.combo = &combo;
  const std::vector<int> items = ShownItems(combo);
  const int position = PositionOf(items, combo.selectedItem);
  m_dropBox.hot = position >= 0 ? combo.selectedItem : -1;
  placeDropBox();
  if (position >= 0) showInDropBox(position);
  invalidate(m_dropBox.rect);
  invalidate(combo.rect);
}

void Window::closeDropBox() {
  if (m_dropBox.combo == nullptr) return;
  const Rect combo = m_dropBox.combo->rect, box = m_dropBox.rect;
  m_dropBox = DropBox{};
  m_dropBoxPress.reset();
  invalidate(box);
  invalidate(combo);
}

// Below the combo when it fits, else on the side with more room; moved left
// to stay inside the window, then clipped to it.
void Window::placeDropBox() {
  const Control& combo = *m_dropBox.combo;
  const Rect window = m_skin.root->rect;
  const Size asked = ParseSize(combo.attribute("dropboxsize"));
  const int width = asked.cx > 0 ? asked.cx : combo.rect.width();
  const int height = asked.cy > 0 ? asked.cy : kDropBoxHeight;
  Rect r{combo.rect.left, combo.rect.bottom, combo.rect.left + width, combo.rect.bottom + height};
  if (r.bottom > window.bottom && combo.rect.top - window.top > window.bottom - combo.rect.bottom) {
    r.top = combo.rect.top - height;
    r.bottom = combo.rect.top;
  }
  const int shift = std::max(std::min(r.right - window.right, r.left - window.left), 0);
  r.left -= shift;
  r.right -= shift;
  m_dropBox.rect = Intersect(r, window);

  // The last first item: the one from which the rest fits (at least the last item).
  const std::vector<int> items = ShownItems(combo);
  const auto heightOf = [&combo](int item) { return ItemHeight(*combo.children()[static_cast<std::size_t>(item)]); };
  int lastFirst = static_cast<int>(items.size());
  for (int room = m_dropBox.rect.height(); lastFirst > 0 && heightOf(items[lastFirst - 1]) <= room;) {
    room -= heightOf(items[--lastFirst]);
  }
  lastFirst = std::min(lastFirst, std::max(static_cast<int>(items.size()) - 1, 0));
  m_dropBox.first = std::clamp(m_dropBox.first, 0, lastFirst);

  m_dropBox.items.clear();
  const Rect& box = m_dropBox.rect;
  int top = box.top;
  for (std::size_t i = static_cast<std::size_t>(m_dropBox.first); i < items.size() && box.height() > 0; ++i) {
    const int bottom = top + heightOf(items[i]);
    if (bottom > box.bottom && !m_dropBox.items.empty()) break;  // only whole items, but always one
    m_dropBox.items.push_back({items[i], {box.left, top, box.right, std::min(bottom, box.bottom)}});
    top = bottom;
  }
}

void Window::scrollDropBox(int first) {
  const int before = m_dropBox.first;
  m_dropBox.first = first;
  placeDropBox();
  if (m_dropBox.first != before) invalidate(m_dropBox.rect);
}

void Window::showInDropBox(int position) {
  if (position < m_dropBox.first) {
    scrollDropBox(position);
    return;
  }
  const Control& combo = *m_dropBox.combo;
  const std::vector<int> items = ShownItems(combo);
  int first = m_dropBox.first, used = 0;
  for (int i = first; i <= position; ++i) used += ItemHeight(*combo.children()[static_cast<std::size_t>(items[i])]);
  while (first < position && used > m_dropBox.rect.height()) {
    used -= ItemHeight(*combo.children()[static_cast<std::size_t>(items[first++])]);
  }
  scrollDropBox(first);
}

void Window::setDropBoxHot(int item) {
  if (m_dropBox.hot == item) return;
  m_dropBox.hot = item;
  invalidate(m_dropBox.rect);
}

int Window::dropBoxItemAt(int x, int y) const {
  for (const DropBox::Item& item : m_dropBox.items) {
    if (Contains(item.rect, x, y)) return item.index;
  }
  return -1;
}

// The box closes before the window hears of the choice, so a handler that
// opens a dialog finds no list open.
void Window::chooseDropBoxItem(int item) {
  Control& combo = *m_dropBox.combo;
  closeDropBox();
  selectComboItem(combo, item);
}

bool Window::dropBoxKey(Key key) {
  if (key == Key::Escape) {
    closeDropBox();
    return true;
  }
  if (key == Key::Return) {
    if (m_dropBox.hot >= 0) {
      chooseDropBoxItem(m_dropBox.hot);
    } else {
      closeDropBox();
    }
    return true;
  }
  const std::vector<int> items = ShownItems(*m_dropBox.combo);
  const int page = std::max(static_cast<int>(m_dropBox.items.size()), 1);
  const int next = Step(PositionOf(items, m_dropBox.hot), static_cast<int>(items.size()), key, page);
  if (next < 0) return false;
  setDropBoxHot(items[static_cast<std::size_t>(next)]);
  showInDropBox(next);
  return true;
}

// A closed combo: the arrows, Home and End choose directly.
bool Window::comboKey(Control& combo, Key key) {
  const std::vector<int> items = ShownItems(combo);
  const int next = Step(PositionOf(items, combo.selectedItem), static_cast<int>(items.size()), key, 0);
  if (next < 0 || items[static_cast<std::size_t>(next)] == combo.selectedItem) return false;
  selectComboItem(combo, items[static_cast<std::size_t>(next)]);
  return true;
}

// ---- Edits

void Window::textInput(const std::string& utf8) {
  Control* edit = m_focused;
  if (edit == nullptr || edit->kind() != "edit" || !edit->enabled || !Shown(*edit)) return;
  if (ParseBool(edit->attribute("readonly"))) return;
  if (!Acceptable(utf8, ParseBool(edit->attribute("numberonly")))) return;
  const std::string text = edit->text();
  const std::size_t caret = Boundary(text, edit->caret), anchor = Boundary(text, edit->anchor);
  const std::size_t from = std::min(caret, anchor), to = std::max(caret, anchor);
  const std::size_t kept = CountChars(text, 0, text.size()) - CountChars(text, from, to);
  // Only what fits under maxchar goes in, as a paste into a full field does.
  const std::size_t room = MaxChars(*edit) > kept ? MaxChars(*edit) - kept : 0;
  std::size_t end = 0;
  for (std::size_t n = 0; n < room && end < utf8.size(); ++n) end = NextChar(utf8, end);
  if (end > 0) replaceText(*edit, from, to, utf8.substr(0, end));
}

bool Window::replaceText(Control& edit, std::size_t from, std::size_t to, const std::string& text) {
  const std::string old = edit.text();
  if (from == to && text.empty()) return false;
  edit.setAttribute("text", old.substr(0, from) + text + old.substr(to));
  edit.caret = edit.anchor = from + text.size();
  invalidate(edit.rect);
  notify("textchanged", &edit);
  return true;
}

bool Window::editKey(Control& edit, Key key, bool shift) {
  const std::string text = edit.text();
  const std::size_t caret = Boundary(text, edit.caret), anchor = Boundary(text, edit.anchor);
  const std::size_t from = std::min(caret, anchor), to = std::max(caret, anchor);
  switch (key) {
    case Key::Left:
    case Key::Right:
    case Key::Home:
    case Key::End: {
      std::size_t at = key == Key::Home ? 0 : key == Key::End ? text.size() : 0;
      if (key == Key::Left) at = !shift && from != to ? from : PreviousChar(text, caret);  // collapses a selection
      if (key == Key::Right) at = !shift && from != to ? to : NextChar(text, caret);
      const std::size_t newAnchor = shift ? anchor : at;
      if (at == edit.caret && newAnchor == edit.anchor) return false;
      edit.caret = at;
      edit.anchor = newAnchor;
      invalidate(edit.rect);
      return true;
    }
    case Key::Backspace:
    case Key::Delete:
      if (ParseBool(edit.attribute("readonly"))) return false;
      if (from != to) return replaceText(edit, from, to, "");
      return key == Key::Backspace ? replaceText(edit, PreviousChar(text, caret), caret, "")
                                   : replaceText(edit, caret, NextChar(text, caret), "");
    case Key::Return:
      notify("return", &edit);
      return true;
    default:
      return false;  // Space and the rest arrive as text input
  }
}

// ---- Rich edits (read-only text views)

bool Window::richEditKey(Control& rich, Key key) {
  switch (key) {
    case Key::Up: return scrollRichEdit(rich, rich.scrollY - kLineHeight);
    case Key::Down: return scrollRichEdit(rich, rich.scrollY + kLineHeight);
    case Key::PageUp: return scrollRichEdit(rich, rich.scrollY - rich.rect.height());
    case Key::PageDown: return scrollRichEdit(rich, rich.scrollY + rich.rect.height());
    case Key::Home: return scrollRichEdit(rich, 0);
    case Key::End: return scrollRichEdit(rich, INT_MAX);
    default: return false;
  }
}

bool Window::scrollRichEdit(Control& rich, long long to) {
  const ControlText text(*this, rich);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(text.layout(), &width, &height);
  const Rect padding = ParseRect(rich.attribute("textpadding"));
  const long long most = std::max(height + padding.top + padding.bottom - rich.rect.height(), 0);
  const int clamped = static_cast<int>(std::clamp(to, 0LL, most));
  if (clamped == rich.scrollY) return false;
  rich.scrollY = clamped;
  invalidate(rich.rect);
  return true;
}

void Window::wheel(int x, int y, int steps) {
  steps = std::clamp(steps, -kMaxWheelSteps, kMaxWheelSteps);
  if (m_dropBox.combo != nullptr) {  // an open list keeps the wheel to itself
    if (Contains(m_dropBox.rect, x, y)) scrollDropBox(m_dropBox.first + steps * kWheelItems);
    return;
  }
  Control* over = hitTest(x, y);
  if (over != nullptr && over->kind() == "richedit") {
    scrollRichEdit(*over, static_cast<long long>(over->scrollY) + steps * kWheelLines * kLineHeight);
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
