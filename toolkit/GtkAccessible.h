// The GTK host's bridge to assistive technology: the drawing area the window
// is painted on has an ATK accessible whose children are virtual objects, one
// per control worth showing (GtkAccessibleModel.h says which and how), kept
// in step with the window through its change observer. GTK's thread only.
#pragma once

#include "toolkit/GtkAccessibleModel.h"

#include <map>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _AtkObject AtkObject;

namespace cwui {

class AccessibleTree {
 public:
  // Makes the drawing area (a new widget, not yet in a container).
  explicit AccessibleTree(Window& window);
  ~AccessibleTree();  // the objects assistive technology still holds turn defunct
  AccessibleTree(const AccessibleTree&) = delete;
  AccessibleTree& operator=(const AccessibleTree&) = delete;

  GtkWidget* area() const { return m_area; }
  Window& window() const { return m_window; }

  // From the window's change observer: tells assistive technology what
  // changed (children, names, states, values).
  void changed(Control& control, Change what);
  // The host's own entry over an edit is named as the edit is.
  void nameEntry(GtkWidget* entry, const Control& edit);

  // For the ATK objects. The object of a node, made on first use (the
  // area's accessible for the root); not a new reference.
  AtkObject* objectFor(a11y::NodeKey key);
  // The node's children now, remembered so later changes can be announced.
  const std::vector<a11y::NodeKey>& children(a11y::NodeKey key);
  // The node's action, run from the loop (the reply to the caller goes first,
  // and a modal window the action opens does not hold it).
  void perform(a11y::NodeKey key);
  // Where window pixels start in screen or toplevel coordinates.
  bool origin(bool screen, int* x, int* y) const;

 private:
  struct Seen {
    AtkObject* object = nullptr;
    unsigned long long states = 0;  // a bit per AtkStateType
    int value = 0;
  };
  a11y::NodeKey rootKey() const;
  unsigned long long statesOf(a11y::NodeKey key) const;
  void announceChildren();
  void announceNamesAndStates();
  void announceValue(Control& control);
  static int RunPending(void* self);

  Window& m_window;
  GtkWidget* m_area = nullptr;
  std::map<a11y::NodeKey, Seen> m_nodes;
  std::map<a11y::NodeKey, std::vector<a11y::NodeKey>> m_shown;  // children as last told
  std::vector<a11y::NodeKey> m_pending;                         // actions not yet run
  unsigned m_pendingSource = 0;
};

}  // namespace cwui
