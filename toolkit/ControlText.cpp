#include "toolkit/ControlText.h"

#include "toolkit/FontMap.h"
#include "toolkit/TextLayout.h"

#include <pango/pangocairo.h>

#include <algorithm>

namespace cwui {
namespace {

// A text colour attribute: RGB only; absent, unreadable or "0" mean "not set".
std::optional<std::uint32_t> TextColour(const std::string& value) {
  if (value.empty() || value == "0") return std::nullopt;
  const std::optional<std::uint32_t> colour = ParseColour(value);
  if (!colour) return std::nullopt;
  return *colour & 0xFFFFFFu;
}

std::uint32_t WindowColour(const Skin& skin, const char* name, std::uint32_t fallback) {
  const auto it = skin.windowAttributes.find(name);
  const std::optional<std::uint32_t> colour = it == skin.windowAttributes.end() ? std::nullopt : TextColour(it->second);
  return colour.value_or(fallback);
}

// The colour of the control's text in its current state: the first state
// colour that applies and is set, else its textcolor, else the window's.
std::uint32_t StateColour(const Skin& skin, const Control& c) {
  const char* state = nullptr;
  if (!c.enabled) {
    state = "disabledtextcolor";
  } else if (c.pushed) {
    state = "pushedtextcolor";
  } else if (c.hot) {
    state = "hottextcolor";
  } else if (c.isOption() && c.selected) {
    state = "selectedtextcolor";
  } else if (c.focused) {
    state = "focusedtextcolor";
  }
  if (state != nullptr) {
    if (const auto colour = TextColour(c.attribute(state))) return *colour;
  }
  if (!c.enabled) return WindowColour(skin, "disabledfontcolor", 0xA7A6AA);
  return TextColour(c.attribute("textcolor")).value_or(WindowColour(skin, "defaultfontcolor", 0x000000));
}

// How each kind lays its text out when the skin does not say: buttons centre
// one line, texts and rich edits wrap from the top, the rest is one line on
// the left, vertically centred.
struct Style {
  PangoAlignment align = PANGO_ALIGN_LEFT;
  int valign = 0;  // -1 top, 0 centre, 1 bottom
  bool multiline = false;
};

Style StyleOf(const Control& c) {
  Style s;
  const std::string& kind = c.kind();
  if (kind == "button" || kind == "option") s.align = PANGO_ALIGN_CENTER;
  if (kind == "text" || kind == "richedit") {
    s.multiline = true;
    s.valign = -1;
  }
  const std::string align = c.attribute("align");
  if (align == "center") s.align = PANGO_ALIGN_CENTER;
  if (align == "right") s.align = PANGO_ALIGN_RIGHT;
  if (align == "left") s.align = PANGO_ALIGN_LEFT;
  const std::string valign = c.attribute("valign");
  if (valign == "top") s.valign = -1;
  if (valign == "vcenter") s.valign = 0;
  if (valign == "bottom") s.valign = 1;
  if (!c.attribute("multiline").empty()) s.multiline = ParseBool(c.attribute("multiline"));
  return s;
}

MarkupText PlainText(std::string text) {
  MarkupText m;
  m.runs.push_back({0, text.size(), {}});
  m.text = std::move(text);
  return m;
}

std::string Masked(const std::string& text) {
  std::string dots;
  for (unsigned char ch : text) {
    if ((ch & 0xC0) != 0x80) dots += "\xE2\x97\x8F";  // one dot per character
  }
  return dots;
}

}  // namespace

ControlText::ControlText(const Window& window, const Control& control, int hoverLink) {
  const Skin& skin = window.skin();
  const Style style = StyleOf(control);
  std::string text = control.text();
  if (control.kind() == "edit" && ParseBool(control.attribute("password"))) text = Masked(text);
  const bool markup = ParseBool(control.attribute("showhtml"));
  m_markup = markup ? ParseMarkup(text, style.multiline) : PlainText(std::move(text));

  TextColours colours;
  colours.text = StateColour(skin, control);
  colours.link = WindowColour(skin, "linkfontcolor", colours.link);
  colours.linkHover = WindowColour(skin, "linkhoverfontcolor", colours.linkHover);
  colours.selected = WindowColour(skin, "selectedcolor", colours.selected);
  colours.hoverLink = hoverLink;

  PangoContext* context = FontMap::CreateContext();
  if (!window.language().empty()) pango_context_set_language(context, pango_language_from_string(window.language().c_str()));
  m_layout = pango_layout_new(context);
  g_object_unref(context);
  const std::string font = control.attribute("font");
  SetMarkupText(m_layout, m_markup, skin.fonts, font.empty() ? -1 : ParseInt(font), colours);

  const Rect padding = ParseRect(control.attribute("textpadding"));
  const Rect box{control.rect.left + padding.left, control.rect.top + padding.top, control.rect.right - padding.right,
                 control.rect.bottom - padding.bottom};
  const int width = std::max(box.width(), 0);
  if (ParseBool(control.attribute("endellipsis"))) pango_layout_set_ellipsize(m_layout, PANGO_ELLIPSIZE_END);
  if (style.multiline) {
    pango_layout_set_wrap(m_layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(m_layout, width * PANGO_SCALE);
  } else {
    // One line goes where `align` says, also in a right-to-left script (a
    // list of language names stays aligned); wrapped text keeps pango's
    // direction from its first strong character.
    pango_layout_set_auto_dir(m_layout, FALSE);
    pango_layout_set_single_paragraph_mode(m_layout, TRUE);
    // One line: a width only to ellipsize; alignment is placed by hand below.
    if (ParseBool(control.attribute("endellipsis"))) pango_layout_set_width(m_layout, width * PANGO_SCALE);
  }
  pango_layout_set_alignment(m_layout, style.align);

  PangoRectangle logical{};
  pango_layout_get_pixel_extents(m_layout, nullptr, &logical);
  m_x = box.left;
  if (!style.multiline && pango_layout_get_width(m_layout) < 0) {
    if (style.align == PANGO_ALIGN_CENTER) m_x += (width - logical.width) / 2;
    if (style.align == PANGO_ALIGN_RIGHT) m_x += width - logical.width;
  }
  m_y = box.top;
  if (style.valign == 0) m_y += (box.height() - logical.height) / 2;
  if (style.valign == 1) m_y += box.height() - logical.height;
  if (control.kind() == "richedit") m_y = box.top - control.scrollY;
}

ControlText::~ControlText() {
  if (m_layout != nullptr) g_object_unref(m_layout);
}

int ControlText::linkAt(int x, int y) const { return LinkAt(m_layout, m_markup, x - m_x, y - m_y); }

}  // namespace cwui
