// The language files of the archive ("language\language_english.xml", ...):
// a VerticalLayout holding one VerticalLayout that holds the pages
// "install_page" and "message_page", each a list of Labels (name = key,
// text = the text in the skin's markup).
#pragma once

#include "toolkit/Skin.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ui {

struct LanguagePage {
  std::vector<std::pair<std::string, std::string>> labels;  // key, text; in file order
  // The text of a key; nullptr when the page has no such label.
  const std::string* find(const std::string& key) const;
};

// One page of a language file's text. Nothing when the text is not a
// well-formed file (or is too large); an empty page when the file has no page
// of that name.
std::optional<LanguagePage> ReadLanguagePage(const std::string& xml, const std::string& page);
// The page of a language's file in the archive; nothing when the file is
// missing or unreadable.
std::optional<LanguagePage> LoadLanguagePage(const cwui::LayoutSource& archive, int language, const std::string& page);
// The text of one key of a language's page; "" when anything is missing.
std::string LoadLanguageText(const cwui::LayoutSource& archive, const std::string& page, const std::string& key,
                             int language);

}  // namespace ui
