// The layout reader. Build order as the skin syntax defines it: a control's
// children are built first, then it is added to its parent, then the
// <Default> attributes of its element apply, then its own in document order.
#include "toolkit/Skin.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace cwui {
namespace {

constexpr std::size_t kMaxLayoutBytes = 1024 * 1024;
constexpr int kMaxIncludeDepth = 8;
constexpr int kMaxIncludeCount = 64;
// Includes built in all: nested counts multiply, and a file that includes
// itself must not make that a number with fourteen digits.
constexpr int kMaxIncludesBuilt = 256;
constexpr std::size_t kMaxControls = 20000;

const std::set<std::string> kControlKinds = {
    "control", "container", "verticallayout", "horizontallayout", "tablayout", "label", "text", "button",
    "option", "checkbox", "combo", "listlabelelement", "edit", "richedit", "progress"};

std::string Lower(const char* text) {
  std::string s(text == nullptr ? "" : text);
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Attr(const tinyxml2::XMLElement* e, const char* name) {
  const char* v = e->Attribute(name);
  return v == nullptr ? std::string() : std::string(v);
}

class Reader {
 public:
  Reader(Skin& skin, const LayoutSource& includes, std::string& error)
      : m_skin(skin), m_includes(includes), m_error(error) {}

  // The children of `node` built into `parent`; false when a bound is broken.
  bool buildChildren(const tinyxml2::XMLElement* node, Control* parent, int includeDepth) {
    for (const auto* e = node->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
      const std::string kind = Lower(e->Name());
      if (kind == "font") {
        readFont(e);
      } else if (kind == "default") {
        m_defaults[Lower(e->Attribute("name"))] = Attr(e, "value");
      } else if (kind == "image") {
        // Images load on first use; preloading is an optimisation we do without.
      } else if (kind == "include") {
        if (!include(e, parent, includeDepth)) return false;
      } else if (kControlKinds.count(kind) != 0) {
        if (!buildControl(e, kind, parent, includeDepth)) return false;
      } else {
        note("unknown element <" + std::string(e->Name()) + "> skipped");
      }
    }
    return true;
  }

 private:
  bool buildControl(const tinyxml2::XMLElement* e, const std::string& kind, Control* parent, int includeDepth) {
    if (++m_controls > kMaxControls) return fail("more than " + std::to_string(kMaxControls) + " controls");
    auto control = std::make_unique<Control>(kind);
    if (!buildChildren(e, control.get(), includeDepth)) return false;
    Control* added = parent->add(std::move(control));
    if (const auto it = m_defaults.find(kind); it != m_defaults.end()) {
      for (const auto& [name, value] : ParseAttributeList(it->second)) added->setAttribute(name, value);
    }
    for (const auto* a = e->FirstAttribute(); a != nullptr; a = a->Next()) added->setAttribute(a->Name(), a->Value());
    if (!added->name().empty() && !m_skin.byName.emplace(added->name(), added).second) {
      note("a second control named " + added->name() + " is not found by name");
    }
    return true;
  }

  bool include(const tinyxml2::XMLElement* e, Control* parent, int includeDepth) {
    const std::string source = Attr(e, "source");
    if (includeDepth >= kMaxIncludeDepth) return fail("includes nested deeper than " + std::to_string(kMaxIncludeDepth));
    const int count = std::clamp(e->Attribute("count") ? ParseInt(Attr(e, "count")) : 1, 0, kMaxIncludeCount);
    const auto text = m_includes ? m_includes(source) : std::nullopt;
    if (!text) {
      note("include " + source + " not found");
      return true;
    }
    if (text->size() > kMaxLayoutBytes) return fail("include " + source + " is too large");
    tinyxml2::XMLDocument doc;
    if (doc.Parse(text->data(), text->size()) != tinyxml2::XML_SUCCESS || doc.RootElement() == nullptr) {
      return fail("include " + source + " is not well formed");
    }
    for (int i = 0; i < count; ++i) {
      if (++m_includesBuilt > kMaxIncludesBuilt) return fail("more than " + std::to_string(kMaxIncludesBuilt) + " includes");
      if (!buildChildren(doc.RootElement(), parent, includeDepth + 1)) return false;
    }
    return true;
  }

  void readFont(const tinyxml2::XMLElement* e) {
    FontSpec font;
    font.id = e->Attribute("id") ? ParseInt(Attr(e, "id")) : static_cast<int>(m_skin.fonts.size());
    font.face = Attr(e, "name");
    if (e->Attribute("size")) font.size = std::clamp(ParseInt(Attr(e, "size")), 1, 512);
    font.bold = ParseBool(Attr(e, "bold"));
    font.underline = ParseBool(Attr(e, "underline"));
    font.italic = ParseBool(Attr(e, "italic"));
    font.isDefault = ParseBool(Attr(e, "default"));
    // A later font with the same id replaces the earlier one.
    const auto same = std::find_if(m_skin.fonts.begin(), m_skin.fonts.end(), [&](const FontSpec& f) { return f.id == font.id; });
    if (same != m_skin.fonts.end()) {
      *same = font;
    } else {
      m_skin.fonts.push_back(font);
    }
  }

  void note(const std::string& what) {
    if (!m_error.empty()) m_error += "; ";
    m_error += what;
  }
  bool fail(const std::string& what) {
    note(what);
    return false;
  }

  Skin& m_skin;
  const LayoutSource& m_includes;
  std::string& m_error;
  std::map<std::string, std::string> m_defaults;
  std::size_t m_controls = 0;
  int m_includesBuilt = 0;
};

void ReadWindowAttributes(const tinyxml2::XMLElement* root, Skin& skin) {
  for (const auto* a = root->FirstAttribute(); a != nullptr; a = a->Next()) {
    const std::string name = a->Name();
    const std::string value = a->Value();
    skin.windowAttributes[name] = value;
    if (name == "size") skin.size = ParseSize(value);
    if (name == "caption") skin.caption = ParseRect(value);
    if (name == "roundcorner") skin.roundCorner = ParseSize(value);
    if (name == "mininfo") skin.minInfo = ParseSize(value);
    if (name == "bktrans") skin.transparent = ParseBool(value);
  }
}

}  // namespace

Control* Skin::find(const std::string& name) const {
  const auto it = byName.find(name);
  return it == byName.end() ? nullptr : it->second;
}

std::optional<Skin> ReadSkin(const std::string& xml, const LayoutSource& includes, std::string* error) {
  std::string problems;
  const auto done = [&](std::optional<Skin> result) {
    if (error != nullptr) *error = problems;
    return result;
  };
  if (xml.size() > kMaxLayoutBytes) {
    problems = "layout is too large";
    return done(std::nullopt);
  }
  tinyxml2::XMLDocument doc;
  if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || doc.RootElement() == nullptr) {
    problems = std::string("not well formed: ") + doc.ErrorStr();
    return done(std::nullopt);
  }
  Skin skin;
  skin.root = std::make_unique<Control>("verticallayout");
  const tinyxml2::XMLElement* root = doc.RootElement();
  if (Lower(root->Name()) == "window") {
    ReadWindowAttributes(root, skin);
    if (!Reader(skin, includes, problems).buildChildren(root, skin.root.get(), 0)) return done(std::nullopt);
  } else {
    // A layout without a window (an included page, a language file): the root is a control itself.
    tinyxml2::XMLDocument wrapper;
    auto* window = wrapper.NewElement("Window");
    wrapper.InsertEndChild(window);
    window->InsertEndChild(root->DeepClone(&wrapper));
    if (!Reader(skin, includes, problems).buildChildren(window, skin.root.get(), 0)) return done(std::nullopt);
  }
  return done(std::move(skin));
}

}  // namespace cwui
