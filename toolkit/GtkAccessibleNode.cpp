#include "toolkit/GtkAccessibleNode.h"

#include <gtk/gtk-a11y.h>

#include <algorithm>
#include <new>

namespace {

using cwui::AccessibleTree;
using cwui::a11y::NodeKey;

constexpr const char* kTreeKey = "cwui-accessible-tree";

// ---- The virtual node: an AtkObject with a component and an action.

struct CwuiNode {
  AtkObject parent;
  AccessibleTree* tree;  // nullptr once the tree is gone
  NodeKey key;
};
struct CwuiNodeClass {
  AtkObjectClass parent;
};

void cwui_node_component_init(AtkComponentIface* iface);
void cwui_node_action_init(AtkActionIface* iface);

G_DEFINE_TYPE_WITH_CODE(CwuiNode, cwui_node, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, cwui_node_component_init)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, cwui_node_action_init))

CwuiNode* Node(gpointer object) { return reinterpret_cast<CwuiNode*>(object); }
AccessibleTree* TreeOf(gpointer object) { return Node(object)->tree; }

// The children of a node, or of the area's root; none once the tree is gone.
gint CountChildren(AccessibleTree* tree, NodeKey key) {
  return tree != nullptr ? static_cast<gint>(tree->children(key).size()) : 0;
}

AtkObject* RefChild(AccessibleTree* tree, NodeKey key, gint i) {
  if (tree == nullptr) return nullptr;
  const auto& children = tree->children(key);
  if (i < 0 || i >= static_cast<gint>(children.size())) return nullptr;
  return ATK_OBJECT(g_object_ref(tree->objectFor(children[static_cast<std::size_t>(i)])));
}

gint NodeChildren(AtkObject* object) { return CountChildren(TreeOf(object), Node(object)->key); }
AtkObject* NodeChild(AtkObject* object, gint i) { return RefChild(TreeOf(object), Node(object)->key, i); }

gint NodeIndex(AtkObject* object) {
  AccessibleTree* tree = TreeOf(object);
  if (tree == nullptr) return -1;
  const NodeKey key = Node(object)->key;
  const auto& siblings = tree->children(cwui::a11y::ParentOf(tree->window(), key));
  const auto at = std::find(siblings.begin(), siblings.end(), key);
  return at == siblings.end() ? -1 : static_cast<gint>(at - siblings.begin());
}

AtkStateSet* NodeStates(AtkObject* object) {
  AtkStateSet* set = atk_state_set_new();
  AccessibleTree* tree = TreeOf(object);
  if (tree == nullptr) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  for (AtkStateType state : cwui::a11y::StatesOf(tree->window(), Node(object)->key)) atk_state_set_add_state(set, state);
  return set;
}

void cwui_node_class_init(CwuiNodeClass* klass) {
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_n_children = NodeChildren;
  atk->ref_child = NodeChild;
  atk->get_index_in_parent = NodeIndex;
  atk->ref_state_set = NodeStates;
}

void cwui_node_init(CwuiNode* node) {
  node->tree = nullptr;
  new (&node->key) NodeKey{};
}

void NodeExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType type) {
  *x = *y = *width = *height = 0;
  AccessibleTree* tree = TreeOf(component);
  if (tree == nullptr) return;
  const NodeKey key = Node(component)->key;
  const cwui::Rect r = cwui::a11y::ExtentsOf(tree->window(), key);
  if (r.width() <= 0 || r.height() <= 0) return;
  int left = 0, top = 0;
  if (type == ATK_XY_PARENT) {
    const NodeKey parent = cwui::a11y::ParentOf(tree->window(), key);
    const cwui::Rect p = parent.control->parent() != nullptr ? cwui::a11y::ExtentsOf(tree->window(), parent) : cwui::Rect{};
    left = -p.left;
    top = -p.top;
  } else if (!tree->origin(type == ATK_XY_SCREEN, &left, &top)) {
    return;
  }
  *x = left + r.left;
  *y = top + r.top;
  *width = r.width();
  *height = r.height();
}

gboolean NodeGrabFocus(AtkComponent* component) {
  AccessibleTree* tree = TreeOf(component);
  return tree != nullptr && cwui::a11y::GrabFocus(tree->window(), Node(component)->key);
}

void cwui_node_component_init(AtkComponentIface* iface) {
  iface->get_extents = NodeExtents;
  iface->grab_focus = NodeGrabFocus;
}

const gchar* ActionName(AtkAction* action, gint i) {
  return i == 0 && TreeOf(action) != nullptr ? cwui::a11y::ActionOf(Node(action)->key) : nullptr;
}

gint ActionCount(AtkAction* action) { return ActionName(action, 0) != nullptr ? 1 : 0; }

gboolean DoAction(AtkAction* action, gint i) {
  if (ActionName(action, i) == nullptr) return FALSE;
  TreeOf(action)->perform(Node(action)->key);
  return TRUE;
}

void cwui_node_action_init(AtkActionIface* iface) {
  iface->do_action = DoAction;
  iface->get_n_actions = ActionCount;
  iface->get_name = ActionName;
  iface->get_localized_name = ActionName;
}

// ---- A progress bar: its value and range.

struct CwuiValueNode {
  CwuiNode parent;
};
struct CwuiValueNodeClass {
  CwuiNodeClass parent;
};

void cwui_value_node_value_init(AtkValueIface* iface);

G_DEFINE_TYPE_WITH_CODE(CwuiValueNode, cwui_value_node, cwui_node_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_VALUE, cwui_value_node_value_init))

void cwui_value_node_class_init(CwuiValueNodeClass*) {}
void cwui_value_node_init(CwuiValueNode*) {}

const cwui::Control* ControlOf(gpointer object) { return TreeOf(object) != nullptr ? Node(object)->key.control : nullptr; }

void ValueAndText(AtkValue* value, gdouble* current, gchar** text) {
  const cwui::Control* c = ControlOf(value);
  *current = c != nullptr ? c->value : 0;
  if (text == nullptr) return;
  const long long span = c != nullptr ? static_cast<long long>(c->maxValue) - c->minValue : 0;
  const long long percent = span > 0 ? (static_cast<long long>(c->value) - c->minValue) * 100 / span : 0;
  *text = g_strdup_printf("%lld%%", percent);
}

AtkRange* ValueRange(AtkValue* value) {
  const cwui::Control* c = ControlOf(value);
  return c != nullptr ? atk_range_new(std::min(c->minValue, c->maxValue), std::max(c->minValue, c->maxValue), nullptr)
                      : nullptr;
}

// The older calls, for clients that still make them.
void SetDouble(GValue* out, double number) {
  g_value_init(out, G_TYPE_DOUBLE);
  g_value_set_double(out, number);
}
void CurrentValue(AtkValue* value, GValue* out) {
  const cwui::Control* c = ControlOf(value);
  SetDouble(out, c != nullptr ? c->value : 0);
}
void MinimumValue(AtkValue* value, GValue* out) {
  const cwui::Control* c = ControlOf(value);
  SetDouble(out, c != nullptr ? std::min(c->minValue, c->maxValue) : 0);
}
void MaximumValue(AtkValue* value, GValue* out) {
  const cwui::Control* c = ControlOf(value);
  SetDouble(out, c != nullptr ? std::max(c->minValue, c->maxValue) : 0);
}

void cwui_value_node_value_init(AtkValueIface* iface) {
  iface->get_value_and_text = ValueAndText;
  iface->get_range = ValueRange;
  iface->get_current_value = CurrentValue;
  iface->get_minimum_value = MinimumValue;
  iface->get_maximum_value = MaximumValue;
}

// ---- Labels, texts and rich edits: their shown text.

struct CwuiTextNode {
  CwuiNode parent;
};
struct CwuiTextNodeClass {
  CwuiNodeClass parent;
};

void cwui_text_node_text_init(AtkTextIface* iface);

G_DEFINE_TYPE_WITH_CODE(CwuiTextNode, cwui_text_node, cwui_node_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, cwui_text_node_text_init))

void cwui_text_node_class_init(CwuiTextNodeClass*) {}
void cwui_text_node_init(CwuiTextNode*) {}

std::string ShownText(gpointer object) {
  const cwui::Control* c = ControlOf(object);
  return c != nullptr ? cwui::a11y::TextOf(*c) : std::string();
}

gint CharacterCount(AtkText* text) {
  const std::string shown = ShownText(text);
  return static_cast<gint>(g_utf8_strlen(shown.c_str(), static_cast<gssize>(shown.size())));
}

// Character offsets; an end of -1 is the end of the text.
gchar* TextBetween(AtkText* text, gint start, gint end) {
  const std::string shown = ShownText(text);
  const glong count = g_utf8_strlen(shown.c_str(), static_cast<gssize>(shown.size()));
  const glong from = std::clamp<glong>(start, 0, count);
  const glong to = end < 0 ? count : std::clamp<glong>(end, from, count);
  return g_utf8_substring(shown.c_str(), from, to);
}

gint CaretOffset(AtkText*) { return -1; }  // none: the text is read, not edited

void cwui_text_node_text_init(AtkTextIface* iface) {
  iface->get_text = TextBetween;
  iface->get_character_count = CharacterCount;
  iface->get_caret_offset = CaretOffset;
}

// ---- The drawing area and its accessible, which lists the top nodes.

struct CwuiAreaAccessible {
  GtkWidgetAccessible parent;
};
struct CwuiAreaAccessibleClass {
  GtkWidgetAccessibleClass parent;
};

G_DEFINE_TYPE(CwuiAreaAccessible, cwui_area_accessible, GTK_TYPE_WIDGET_ACCESSIBLE)

AccessibleTree* TreeOfAccessible(AtkObject* object) {
  GtkWidget* area = gtk_accessible_get_widget(GTK_ACCESSIBLE(object));
  return area != nullptr ? static_cast<AccessibleTree*>(g_object_get_data(G_OBJECT(area), kTreeKey)) : nullptr;
}

NodeKey RootKey(AccessibleTree* tree) { return {tree->window().skin().root.get(), -1}; }

gint AreaChildren(AtkObject* object) {
  AccessibleTree* tree = TreeOfAccessible(object);
  return tree != nullptr ? CountChildren(tree, RootKey(tree)) : 0;
}

AtkObject* AreaChild(AtkObject* object, gint i) {
  AccessibleTree* tree = TreeOfAccessible(object);
  return tree != nullptr ? RefChild(tree, RootKey(tree), i) : nullptr;
}

void cwui_area_accessible_class_init(CwuiAreaAccessibleClass* klass) {
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_n_children = AreaChildren;
  atk->ref_child = AreaChild;
}

void cwui_area_accessible_init(CwuiAreaAccessible*) {}

struct CwuiArea {
  GtkDrawingArea parent;
};
struct CwuiAreaClass {
  GtkDrawingAreaClass parent;
};

G_DEFINE_TYPE(CwuiArea, cwui_area, GTK_TYPE_DRAWING_AREA)

void cwui_area_class_init(CwuiAreaClass* klass) {
  gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass), cwui_area_accessible_get_type());
  gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(klass), ATK_ROLE_PANEL);
}

void cwui_area_init(CwuiArea*) {}

}  // namespace

namespace cwui::a11y {

GtkWidget* NewArea(AccessibleTree* tree) {
  GtkWidget* area = GTK_WIDGET(g_object_new(cwui_area_get_type(), nullptr));
  g_object_set_data(G_OBJECT(area), kTreeKey, tree);
  return area;
}

void ForgetArea(GtkWidget* area) { g_object_set_data(G_OBJECT(area), kTreeKey, nullptr); }

AtkObject* NewNode(AccessibleTree* tree, NodeKey key, AtkObject* parent) {
  const AtkRole role = RoleOf(key);
  GType type = cwui_node_get_type();
  if (role == ATK_ROLE_PROGRESS_BAR) type = cwui_value_node_get_type();
  if (key.link < 0 && (role == ATK_ROLE_LABEL || role == ATK_ROLE_TEXT || role == ATK_ROLE_ENTRY)) {
    type = cwui_text_node_get_type();
  }
  AtkObject* object = ATK_OBJECT(g_object_new(type, nullptr));
  Node(object)->tree = tree;
  Node(object)->key = key;
  atk_object_set_role(object, role);
  atk_object_set_name(object, NameOf(tree->window(), key).c_str());
  if (const std::string about = DescriptionOf(tree->window(), key); !about.empty()) {
    atk_object_set_description(object, about.c_str());
  }
  atk_object_set_parent(object, parent);
  return object;
}

void ForgetNode(AtkObject* node) {
  Node(node)->tree = nullptr;
  atk_object_notify_state_change(node, ATK_STATE_DEFUNCT, TRUE);
}

}  // namespace cwui::a11y
