// A window's behaviour without a display: pointer and keyboard input on the
// laid-out control tree, the hot, pushed, focused and selected states, and
// the notifications a window reacts to ("click", "selectchanged",
// "setfocus"). The hosts feed it events and paint what it holds.
#pragma once

#include "toolkit/Skin.h"

#include <functional>
#include <string>
#include <vector>

namespace cwui {

struct Notification {
  std::string type;
  Control* sender = nullptr;
};

class Window {
 public:
  explicit Window(Skin skin);

  Skin& skin() { return m_skin; }
  Control* find(const std::string& name) const { return m_skin.find(name); }
  void setNotifier(std::function<void(const Notification&)> notifier) { m_notify = std::move(notifier); }

  // Lays the tree out again (after a size, text or visibility change).
  void layout();

  // The control that takes the pointer at (x, y): the topmost visible,
  // enabled, interactive one whose rectangle holds the point.
  Control* hitTest(int x, int y) const;
  void pointerMove(int x, int y);
  void pointerPress(int x, int y);
  void pointerRelease(int x, int y);

  // Tab / Shift+Tab: focus moves in visual order (top to bottom, then left
  // to right) among visible, enabled, focusable controls, and wraps.
  void focusNext(bool backwards = false);
  Control* focused() const { return m_focused; }
  void setFocus(Control* control);
  // Space or Enter on the focused control: as a click.
  void pressFocused();

  // Selects or clears an option; in a group, selecting one clears the others.
  void select(Control& option, bool selected);

 private:
  void activate(Control& control);
  void notify(const char* type, Control* sender);
  std::vector<Control*> focusOrder() const;

  Skin m_skin;
  std::function<void(const Notification&)> m_notify;
  Control* m_hot = nullptr;
  Control* m_pushed = nullptr;
  Control* m_focused = nullptr;
};

}  // namespace cwui
