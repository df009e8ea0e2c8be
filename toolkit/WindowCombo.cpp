// A window's combos: choosing items, and the drop box drawn over the window.
#include "toolkit/Window.h"
#include "toolkit/WindowParts.h"

#include <algorithm>

namespace cwui {
using namespace window_parts;
namespace {

constexpr int kItemHeight = 24;       // a list item without a height
constexpr int kDropBoxHeight = 150;   // a drop box without a dropboxsize height

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

}  // namespace

void Window::selectComboItem(Control& combo, int index) {
  if (combo.selectedItem == index || index < -1 || index >= static_cast<int>(combo.children().size())) return;
  const int old = combo.selectedItem;
  combo.selectedItem = index;
  // The combo shows the chosen item's text.
  if (index >= 0) combo.setAttribute("text", combo.children()[static_cast<std::size_t>(index)]->text());
  invalidate(combo.rect);
  changed(combo, Change::Item);
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
  changed(combo, Change::Expanded);
}

void Window::closeDropBox() {
  if (m_dropBox.combo == nullptr) return;
  Control& combo = *m_dropBox.combo;
  const Rect box = m_dropBox.rect;
  m_dropBox = DropBox{};
  m_dropBoxPress.reset();
  invalidate(box);
  invalidate(combo.rect);
  changed(combo, Change::Expanded);
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

}  // namespace cwui
