#include "EmbeddedLabels.h"

#include "toolkit/ResourceArchive.h"

#include <tinyxml2.h>

namespace {

void Collect(const tinyxml2::XMLElement* e, std::map<std::string, std::string>& out) {
  for (; e != nullptr; e = e->NextSiblingElement()) {
    const char* name = e->Attribute("name");
    if (name != nullptr && out.find(name) == out.end()) {
      const char* text = e->Attribute("text");
      out.emplace(name, text == nullptr ? "" : text);
    }
    Collect(e->FirstChildElement(), out);  // depth is capped by the parser
  }
}

}  // namespace

bool CEmbeddedLabels::parse(const std::string& xml) {
  m_labels.clear();
  tinyxml2::XMLDocument doc;
  if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) return false;
  Collect(doc.RootElement(), m_labels);
  return true;
}

bool CEmbeddedLabels::loadFromArchive() {
  const auto xml = cwui::CResourceArchive::Instance().Read("configure\\configure.xml");
  if (!xml) {
    m_labels.clear();
    return false;
  }
  return parse(*xml);
}

std::optional<std::string> CEmbeddedLabels::find(const std::string& name) const {
  const auto it = m_labels.find(name);
  if (it == m_labels.end()) return std::nullopt;
  return it->second;
}

std::string CEmbeddedLabels::text(const std::string& name) const {
  return find(name).value_or(std::string());
}
