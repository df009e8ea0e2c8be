#include "toolkit/Markup.h"

#include "toolkit/SkinValues.h"

#include <algorithm>

namespace cwui {
namespace {

constexpr const char* kObjectReplacement = "\xEF\xBF\xBC";  // U+FFFC
// Deeper nesting than this is shown as text: the stacks stay small.
constexpr std::size_t kMaxNesting = 64;

class Parser {
 public:
  Parser(const std::string& source, bool multiline) : m_in(source), m_multiline(multiline) {}

  MarkupText run() {
    while (m_at < m_in.size()) {
      if (m_raw) {
        readRaw();
      } else if (!readEscape() && !readTag()) {
        append(std::string(1, m_in[m_at++]));
      }
    }
    return std::move(m_out);
  }

 private:
  // {<} {>} show < and >, <{> <}> show { and }.
  bool readEscape() {
    if (m_at + 2 >= m_in.size()) return false;
    const char open = m_in[m_at], middle = m_in[m_at + 1], close = m_in[m_at + 2];
    const bool escape = (open == '{' && close == '}' && (middle == '<' || middle == '>')) ||
                        (open == '<' && close == '>' && (middle == '{' || middle == '}'));
    if (!escape) return false;
    append(std::string(1, middle));
    m_at += 3;
    return true;
  }

  void readRaw() {
    const std::size_t end = std::min(m_in.find("{/r}", m_at), m_in.find("</r>", m_at));
    append(m_in.substr(m_at, end == std::string::npos ? std::string::npos : end - m_at));
    m_at = end == std::string::npos ? m_in.size() : end + 4;
    m_raw = false;
  }

  bool readTag() {
    const char open = m_in[m_at];
    if (open != '{' && open != '<') return false;
    const char close = open == '{' ? '}' : '>';
    const std::size_t end = m_in.find(close, m_at + 1);
    if (end == std::string::npos) return false;
    const std::string body = m_in.substr(m_at + 1, end - m_at - 1);
    const bool closing = !body.empty() && body[0] == '/';
    const std::string tag = closing ? body.substr(1) : body;
    if (tag.empty() || tag[0] < 'a' || tag[0] > 'z' || (tag.size() > 1 && tag[1] != ' ')) return false;
    const std::string arg = tag.size() > 2 ? tag.substr(2) : std::string();
    if (!(closing ? closeTag(tag[0]) : openTag(tag[0], arg))) return false;
    m_at = end + 1;
    return true;
  }

  bool openTag(char tag, const std::string& arg) {
    if (m_stack.size() >= kMaxNesting) return false;
    TextStyle next = m_style;
    switch (tag) {
      case 'b': next.bold = true; break;
      case 'u': next.underline = true; break;
      case 's': next.selected = true; break;
      case 'i':
        if (!arg.empty()) return object(0, arg);  // {i file}: a picture
        next.italic = true;
        break;
      case 'c': {
        const std::size_t hash = arg.find('#');
        const auto colour = ParseColour(hash == std::string::npos ? "#" + arg : arg.substr(hash));
        if (!colour) return false;
        next.colour = *colour & 0xFFFFFFu;
        break;
      }
      case 'f':
        if (!readFont(arg, next)) return false;
        break;
      case 'a':
        next.link = static_cast<int>(m_out.links.size());
        m_out.links.push_back({arg, m_out.text.size(), m_out.text.size()});
        break;
      case 'n':
        if (m_multiline) append("\n");
        return true;
      case 'p':
        if (m_multiline) {
          m_out.paragraphs.push_back({m_out.text.size(), std::max(ParseInt(arg), 0)});
          append("\n");
        }
        return true;
      case 'x': return object(std::clamp(ParseInt(arg), 0, kMaxSkinNumber), "");
      case 'y': m_out.lineHeight = std::clamp(ParseInt(arg), 0, kMaxSkinNumber); return true;
      case 'r': m_raw = true; return true;
      default: return false;
    }
    m_stack.push_back({tag, m_style});
    m_style = next;
    return true;
  }

  // The innermost open tag of that letter ends, with every tag opened inside it.
  bool closeTag(char tag) {
    const auto it = std::find_if(m_stack.rbegin(), m_stack.rend(), [tag](const Open& o) { return o.tag == tag; });
    if (it == m_stack.rend()) return false;
    const std::size_t index = static_cast<std::size_t>(m_stack.rend() - it) - 1;
    if (m_style.link >= 0 && tag == 'a') m_out.links[static_cast<std::size_t>(m_style.link)].end = m_out.text.size();
    m_style = m_stack[index].before;
    m_stack.resize(index);
    return true;
  }

  // {f 3} or {f Face size bold}.
  static bool readFont(const std::string& arg, TextStyle& style) {
    if (arg.empty()) return false;
    if (arg.find_first_not_of("0123456789") == std::string::npos) {
      style.font = std::min(ParseInt(arg), kMaxSkinNumber);
      return true;
    }
    std::string face = arg;
    int size = 0;
    bool bold = false;
    if (face.ends_with(" bold")) {
      bold = true;
      face.resize(face.size() - 5);
    }
    if (const std::size_t blank = face.rfind(' '); blank != std::string::npos &&
        face.find_first_not_of("0123456789", blank + 1) == std::string::npos && blank + 1 < face.size()) {
      size = std::clamp(ParseInt(face.substr(blank + 1)), 1, 512);
      face.resize(blank);
    }
    style.face = face;
    style.size = size;
    style.bold = style.bold || bold;
    return true;
  }

  bool object(int gap, const std::string& picture) {
    m_out.objects.push_back({m_out.text.size(), gap, picture});
    append(kObjectReplacement);
    return true;
  }

  void append(const std::string& text) {
    if (text.empty()) return;
    const std::size_t start = m_out.text.size();
    m_out.text += text;
    if (!m_out.runs.empty() && m_out.runs.back().style == m_style && m_out.runs.back().end == start) {
      m_out.runs.back().end = m_out.text.size();
    } else {
      m_out.runs.push_back({start, m_out.text.size(), m_style});
    }
    if (m_style.link >= 0) m_out.links[static_cast<std::size_t>(m_style.link)].end = m_out.text.size();
  }

  struct Open {
    char tag;
    TextStyle before;
  };
  const std::string& m_in;
  const bool m_multiline;
  std::size_t m_at = 0;
  bool m_raw = false;
  TextStyle m_style;
  std::vector<Open> m_stack;
  MarkupText m_out;
};

}  // namespace

MarkupText ParseMarkup(const std::string& text, bool multiline) { return Parser(text, multiline).run(); }

}  // namespace cwui
