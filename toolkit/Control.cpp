#include "toolkit/Control.h"

namespace cwui {

void Control::setAttribute(const std::string& name, const std::string& value) {
  m_attributes[name] = value;
  if (name == "name") {
    m_name = value;
  } else if (name == "pos") {
    pos = ParseRect(value);
  } else if (name == "float") {
    floating = ParseBool(value);
  } else if (name == "padding") {
    padding = ParseRect(value);
  } else if (name == "width") {
    width = ParseInt(value);
  } else if (name == "height") {
    height = ParseInt(value);
  } else if (name == "minwidth") {
    minWidth = ParseInt(value);
  } else if (name == "maxwidth") {
    maxWidth = ParseInt(value);
  } else if (name == "minheight") {
    minHeight = ParseInt(value);
  } else if (name == "maxheight") {
    maxHeight = ParseInt(value);
  } else if (name == "inset") {
    inset = ParseRect(value);
  } else if (name == "childpadding") {
    childPadding = ParseInt(value);
  } else if (name == "visible") {
    visible = ParseBool(value);
  } else if (name == "selectedid") {
    selectedId = ParseInt(value);
  } else if (name == "enabled") {
    enabled = ParseBool(value);
  } else if (name == "mouse") {
    mouse = ParseBool(value);
  } else if (name == "keyboard") {
    keyboard = ParseBool(value);
  } else if (name == "selected") {
    selected = ParseBool(value);
  } else if (name == "group") {
    group = value;
  }
}

std::string Control::attribute(const std::string& name) const {
  const auto it = m_attributes.find(name);
  return it == m_attributes.end() ? std::string() : it->second;
}

Control* Control::add(std::unique_ptr<Control> child) {
  child->m_parent = this;
  m_children.push_back(std::move(child));
  return m_children.back().get();
}

}  // namespace cwui
