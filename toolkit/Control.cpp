#include "toolkit/Control.h"

#include <map>

namespace cwui {

void Control::setAttribute(const std::string& name, const std::string& value) {
  static const std::map<std::string, Rect Control::*> kRects = {
      {"pos", &Control::pos}, {"padding", &Control::padding}, {"inset", &Control::inset}};
  static const std::map<std::string, int Control::*> kInts = {
      {"width", &Control::width},         {"height", &Control::height},       {"minwidth", &Control::minWidth},
      {"maxwidth", &Control::maxWidth},   {"minheight", &Control::minHeight}, {"maxheight", &Control::maxHeight},
      {"childpadding", &Control::childPadding}, {"selectedid", &Control::selectedId},
      {"value", &Control::value},         {"min", &Control::minValue},        {"max", &Control::maxValue}};
  static const std::map<std::string, bool Control::*> kBools = {
      {"float", &Control::floating}, {"visible", &Control::visible},   {"enabled", &Control::enabled},
      {"mouse", &Control::mouse},    {"keyboard", &Control::keyboard}, {"selected", &Control::selected}};
  m_attributes[name] = value;
  if (const auto r = kRects.find(name); r != kRects.end()) {
    this->*(r->second) = ParseRect(value);
  } else if (const auto n = kInts.find(name); n != kInts.end()) {
    this->*(n->second) = ParseInt(value);
  } else if (const auto b = kBools.find(name); b != kBools.end()) {
    this->*(b->second) = ParseBool(value);
  } else if (name == "name") {
    m_name = value;
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
