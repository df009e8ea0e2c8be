// What the parts of a window's behaviour share (Window.cpp, WindowCombo.cpp,
// WindowEdit.cpp, and the GTK host's entry): geometry, walking the tree, moving keys and UTF-8 steps.
#pragma once

#include "toolkit/Window.h"

#include <algorithm>
#include <string>

namespace cwui::window_parts {

constexpr int kWheelItems = 3;        // drop box items a wheel step scrolls
constexpr int kLineHeight = 20;       // rich edit: pixels an arrow key scrolls
constexpr int kWheelLines = 3;

inline bool Contains(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

inline Rect Intersect(const Rect& a, const Rect& b) {
  const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return r.width() > 0 && r.height() > 0 ? r : Rect{};
}

inline bool Shown(const Control& c) {
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

// Where a moving key takes a position among count entries (-1: none yet);
// -1 for keys that do not move. page 0: PageUp and PageDown do not move.
inline int Step(int position, int count, Key key, int page) {
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
inline bool IsContinuation(char ch) { return (static_cast<unsigned char>(ch) & 0xC0) == 0x80; }

inline std::size_t Boundary(const std::string& s, std::size_t at) {
  at = std::min(at, s.size());
  while (at > 0 && at < s.size() && IsContinuation(s[at])) --at;
  return at;
}

// The characters an edit holds: its maxchar, 255 when it gives none.
inline std::size_t MaxChars(const Control& edit) {
  const int asked = ParseInt(edit.attribute("maxchar"));
  return static_cast<std::size_t>(asked > 0 ? asked : 255);
}

}  // namespace cwui::window_parts
