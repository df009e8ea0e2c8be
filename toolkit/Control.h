// The control tree of a window, independent of any display: what the skin
// says of each control, and where the layout pass put it. Windows find their
// controls by name; the paint pass and the hosts read the rest.
#pragma once

#include "toolkit/SkinValues.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace cwui {

class Control {
 public:
  // kind: the element name in lower case ("button", "verticallayout", ...).
  explicit Control(std::string kind) : m_kind(std::move(kind)) {}

  const std::string& kind() const { return m_kind; }
  const std::string& name() const { return m_name; }

  // One attribute as the skin gives it: the layout attributes are read into
  // their fields, and every attribute is kept as text for the other passes.
  void setAttribute(const std::string& name, const std::string& value);
  // The text of an attribute, "" when the skin gives none.
  std::string attribute(const std::string& name) const;

  // Layout attributes.
  Rect pos;            // float: offsets from the parent's top-left; otherwise only its size counts
  bool floating = false;
  Rect padding;        // outer margin
  int width = 0;       // 0: share what is left
  int height = 0;
  int minWidth = 0, maxWidth = 0, minHeight = 0, maxHeight = 0;  // 0: no bound
  Rect inset;          // inner padding of a container
  int childPadding = 0;
  bool visible = true;
  int selectedId = 0;  // the shown item of a tab layout

  // Input attributes and states.
  bool enabled = true;
  bool mouse = true;     // receives pointer input
  bool keyboard = true;  // can take focus (if its kind takes input at all)
  bool selected = false; // options and check boxes
  std::string group;     // options: one of a group is selected
  bool hot = false, pushed = false, focused = false;
  int selectedItem = -1;          // combo: the chosen item, -1 none
  std::size_t caret = 0, anchor = 0;  // edit: byte offsets into the text; a selection runs between them
  bool hostEditor = false;        // edit: the host shows its own editor over it, text and caret included
  int scrollY = 0;                // rich edit, or a vertical layout with vscrollbar: pixels scrolled down
  int scrollHeight = 0;           // such a layout: the height of what it holds
  int hotLink = -1;               // text or label showing markup: the link under the pointer, -1 none
  int value = 0, minValue = 0, maxValue = 100;  // progress

  // The text as the skin or the window last set it.
  std::string text() const { return attribute("text"); }

  // Kinds that take pointer presses and keyboard focus.
  bool isInteractive() const {
    return m_kind == "button" || m_kind == "option" || m_kind == "checkbox" || m_kind == "combo" ||
           m_kind == "edit" || m_kind == "richedit";
  }
  bool isOption() const { return m_kind == "option" || m_kind == "checkbox"; }

  // Where the layout pass put the control (empty for hidden ones).
  Rect rect;

  Control* parent() const { return m_parent; }
  const std::vector<std::unique_ptr<Control>>& children() const { return m_children; }
  Control* add(std::unique_ptr<Control> child);

  // The fixed size the skin asks for: width/height, else the size of pos.
  int fixedWidth() const { return width > 0 ? width : pos.width() > 0 ? pos.width() : 0; }
  int fixedHeight() const { return height > 0 ? height : pos.height() > 0 ? pos.height() : 0; }

 private:
  std::string m_kind;
  std::string m_name;
  std::map<std::string, std::string> m_attributes;
  Control* m_parent = nullptr;
  std::vector<std::unique_ptr<Control>> m_children;
};

}  // namespace cwui
