// What assistive technology is shown of a window's control tree, without
// any GObject: which controls are nodes and how they nest, each node's role,
// name, states, extents and action. The ATK objects read it on demand.
#pragma once

#include "toolkit/Window.h"

#include <atk/atk.h>

#include <compare>
#include <string>
#include <vector>

namespace cwui::a11y {

// A control, or one link of a text or label showing markup.
struct NodeKey {
  Control* control = nullptr;
  int link = -1;  // -1: the control itself
  auto operator<=>(const NodeKey&) const = default;
};

constexpr std::size_t kMaxNameBytes = 1024;  // longer texts are cut at a character

// Controls that are nodes of their own by kind (interactive ones, texts,
// progress bars, tab layouts and their pages, combo items), or by an
// accessiblename; the others are flattened into their nearest node.
bool IsNode(const Control& c);
AtkRole RoleOf(NodeKey key);

// The node the key's object hangs from: {root, -1} for the top level.
NodeKey ParentOf(const Window& window, NodeKey key);
// The children shown now, in the skin's order: hidden controls and empty
// labels are left out; pages of a tab layout are listed while visible.
std::vector<NodeKey> ChildrenOf(const Window& window, NodeKey key);

// accessiblename, else the shown text (not for edits and pages), else the
// tooltip, else the control's name; a link's own text.
std::string NameOf(const Window& window, NodeKey key);
// The tooltip when the name came from elsewhere.
std::string DescriptionOf(const Window& window, NodeKey key);
// Labels, texts and rich edits: the shown text without markup, as UTF-8.
std::string TextOf(const Control& c);

std::vector<AtkStateType> StatesOf(const Window& window, NodeKey key);
// Window pixels; empty when not shown.
Rect ExtentsOf(const Window& window, NodeKey key);

// The action's name ("click" or, for a combo, "press"); nullptr when none.
const char* ActionOf(NodeKey key);
// Does what a pointer click on the node does, through the window.
void Perform(Window& window, NodeKey key);
// Moves the keyboard focus to the node; false when it takes none.
bool GrabFocus(Window& window, NodeKey key);

}  // namespace cwui::a11y
