#include "ui/LanguageFile.h"

#include "ui/LanguageTable.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace ui {
namespace {

// A language file holds a few dozen short texts; anything much larger is not one.
constexpr std::size_t kMaxLanguageFileBytes = 1 << 20;
// The pages sit two levels below the root; a skin that nests them a little
// differently still reads, and the walk stays bounded.
constexpr int kMaxPageDepth = 3;

// Element names compare without case, as in layouts.
bool IsLabel(const char* element) {
  const std::string_view name = element, label = "label";
  return std::equal(name.begin(), name.end(), label.begin(), label.end(),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

const tinyxml2::XMLElement* FindPage(const tinyxml2::XMLElement* parent, const std::string& page, int depth) {
  if (depth > kMaxPageDepth) return nullptr;
  for (const tinyxml2::XMLElement* e = parent->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
    const char* name = e->Attribute("name");
    if (name != nullptr && page == name) return e;
  }
  for (const tinyxml2::XMLElement* e = parent->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
    if (const tinyxml2::XMLElement* found = FindPage(e, page, depth + 1)) return found;
  }
  return nullptr;
}

}  // namespace

const std::string* LanguagePage::find(const std::string& key) const {
  for (const auto& [name, text] : labels) {
    if (name == key) return &text;
  }
  return nullptr;
}

std::optional<LanguagePage> ReadLanguagePage(const std::string& xml, const std::string& page) {
  if (xml.size() > kMaxLanguageFileBytes) return std::nullopt;
  tinyxml2::XMLDocument doc;
  if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || doc.RootElement() == nullptr) return std::nullopt;
  LanguagePage result;
  const tinyxml2::XMLElement* container = FindPage(doc.RootElement(), page, 0);
  if (container == nullptr) return result;
  for (const tinyxml2::XMLElement* e = container->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
    const char* name = e->Attribute("name");
    if (name == nullptr || !IsLabel(e->Name())) continue;
    const char* text = e->Attribute("text");
    result.labels.emplace_back(name, text != nullptr ? text : "");
  }
  return result;
}

std::optional<LanguagePage> LoadLanguagePage(const cwui::LayoutSource& archive, int language, const std::string& page) {
  const std::string path = LanguageFilePath(language);
  if (path.empty() || !archive) return std::nullopt;
  const std::optional<std::string> xml = archive(path);
  return xml ? ReadLanguagePage(*xml, page) : std::nullopt;
}

std::string LoadLanguageText(const cwui::LayoutSource& archive, const std::string& page, const std::string& key,
                             int language) {
  const std::optional<LanguagePage> texts = LoadLanguagePage(archive, language, page);
  const std::string* text = texts ? texts->find(key) : nullptr;
  return text != nullptr ? *text : std::string();
}

}  // namespace ui
