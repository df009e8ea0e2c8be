// The rich-text markup of skins and language files, read into plain text and
// runs of one style each, ready to become a pango attribute list. Tags are
// `{x ...}` or `<x ...>` with one lower-case letter; see the skin format.
// A close tag without its open tag, and an unknown tag, are shown as text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cwui {

struct TextStyle {
  bool bold = false, italic = false, underline = false, selected = false;
  std::optional<std::uint32_t> colour;  // RGB
  int font = -1;                        // font id of the window, -1: the control's own
  std::string face;                     // {f Face size bold}: a face instead of an id
  int size = 0;
  int link = -1;                        // index into MarkupText::links
  bool operator==(const TextStyle&) const = default;
};

struct MarkupText {
  // What is shown, UTF-8. {n} and {p} are '\n'; an {x n} gap and an {i file}
  // picture are U+FFFC, to be given their width by the painter.
  std::string text;
  struct Run {
    std::size_t start = 0, end = 0;  // byte offsets into text
    TextStyle style;
  };
  std::vector<Run> runs;  // in order, covering all of text
  struct Link {
    std::string target;   // "" when the tag names none: then the link's index is its target
    std::size_t start = 0, end = 0;
  };
  std::vector<Link> links;
  struct Object {
    std::size_t offset = 0;  // of its U+FFFC
    int gap = 0;             // {x n}: pixels to move right
    std::string picture;     // {i file}
  };
  std::vector<Object> objects;
  struct Paragraph {
    std::size_t offset = 0;  // of its '\n'
    int extra = 0;           // extra pixels of line spacing
  };
  std::vector<Paragraph> paragraphs;
  int lineHeight = 0;        // {y n}, 0: the font's
};

// multiline false: {n} and {p} are ignored, as single-line controls do.
MarkupText ParseMarkup(const std::string& text, bool multiline = true);

}  // namespace cwui
