// The GObject types behind the accessible tree: the drawing area and its
// accessible, and the virtual node objects (component and action; a value
// for progress bars, text for labels, texts and rich edits).
#pragma once

#include "toolkit/GtkAccessible.h"

#include <gtk/gtk.h>

namespace cwui::a11y {

// A drawing area whose accessible (a panel) lists the tree's top nodes.
GtkWidget* NewArea(AccessibleTree* tree);
// The tree is going: the area's accessible lists nothing from now on.
void ForgetArea(GtkWidget* area);

// A node's object, its role, name and parent set; a new reference.
AtkObject* NewNode(AccessibleTree* tree, NodeKey key, AtkObject* parent);
// The tree is going: the object turns defunct and answers nothing more.
void ForgetNode(AtkObject* node);

}  // namespace cwui::a11y
