// The labels of the embedded configuration layout (configure.xml), found by
// name as the window finds its controls: the first element anywhere in the
// document whose "name" attribute matches, its "text" attribute the value.
#pragma once

#include <map>
#include <optional>
#include <string>

class CEmbeddedLabels {
 public:
  CEmbeddedLabels() = default;
  // False (and no labels) when the text is not a well-formed document.
  bool parse(const std::string& xml);
  // From "configure\configure.xml" of the process's resource archive.
  bool loadFromArchive();

  std::optional<std::string> find(const std::string& name) const;
  // The label's text, "" when there is no such label.
  std::string text(const std::string& name) const;

 private:
  std::map<std::string, std::string> m_labels;
};
