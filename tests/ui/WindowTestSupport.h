// What the window suites share: pressing a control as a pointer would.
#pragma once

#include "toolkit/Window.h"

#include <gtest/gtest.h>

namespace uitest {

// A press and release in the middle of a control of the window.
inline void Press(cwui::Window& window, const char* name) {
  const cwui::Control* c = window.find(name);
  ASSERT_NE(c, nullptr) << name;
  const int x = (c->rect.left + c->rect.right) / 2, y = (c->rect.top + c->rect.bottom) / 2;
  window.pointerMove(x, y);
  window.pointerPress(x, y);
  window.pointerRelease(x, y);
}

}  // namespace uitest
