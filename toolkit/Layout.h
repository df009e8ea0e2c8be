// The layout pass: places every control of a tree inside the rectangle its
// parent gives it. Vertical and horizontal layouts stack their children (a
// size of 0 shares what is left, the last sharer takes the remainder, min and
// max clamp); a tab layout shows its selected item only; any other container
// gives each child its whole inner rectangle. Floating children sit at their
// pos from the parent's top-left and take no room; hidden ones take none and
// get an empty rectangle.
#pragma once

#include "toolkit/Control.h"
#include "toolkit/Skin.h"

namespace cwui {

// Lays out `control` and everything below it into `area` (its padding
// already taken off by the caller).
void LayoutControl(Control& control, const Rect& area);
// Lays out a whole window at its skin size.
void LayoutSkin(Skin& skin);

}  // namespace cwui
