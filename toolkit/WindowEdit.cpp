// A window's edits and rich edits: typing, caret keys and scrolling.
#include "toolkit/ControlText.h"
#include "toolkit/Window.h"
#include "toolkit/WindowParts.h"

#include <glib.h>
#include <pango/pango.h>

#include <algorithm>
#include <climits>

namespace cwui {
using namespace window_parts;
namespace {

std::size_t NextChar(const std::string& s, std::size_t at) {
  if (at >= s.size()) return s.size();
  do ++at;
  while (at < s.size() && IsContinuation(s[at]));
  return at;
}

std::size_t PreviousChar(const std::string& s, std::size_t at) {
  if (at == 0) return 0;
  do --at;
  while (at > 0 && IsContinuation(s[at]));
  return at;
}

std::size_t CountChars(const std::string& s, std::size_t from, std::size_t to) {
  return static_cast<std::size_t>(std::count_if(s.begin() + static_cast<std::ptrdiff_t>(from),
                                                 s.begin() + static_cast<std::ptrdiff_t>(to),
                                                 [](char ch) { return !IsContinuation(ch); }));
}

// Typed or pasted text is taken whole or not at all: valid UTF-8 without
// control characters, and only digits in a number edit.
bool Acceptable(const std::string& text, bool digitsOnly) {
  if (text.empty() || !g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return false;
  return std::none_of(text.begin(), text.end(), [digitsOnly](char c) {
    const unsigned char ch = static_cast<unsigned char>(c);
    return ch < 0x20 || ch == 0x7F || (digitsOnly && (ch < '0' || ch > '9'));
  });
}

}  // namespace

void Window::textInput(const std::string& utf8) {
  Control* edit = m_focused;
  if (edit == nullptr || edit->kind() != "edit" || !edit->enabled || !Shown(*edit)) return;
  if (ParseBool(edit->attribute("readonly"))) return;
  if (!Acceptable(utf8, ParseBool(edit->attribute("numberonly")))) return;
  const std::string text = edit->text();
  const std::size_t caret = Boundary(text, edit->caret), anchor = Boundary(text, edit->anchor);
  const std::size_t from = std::min(caret, anchor), to = std::max(caret, anchor);
  const std::size_t kept = CountChars(text, 0, text.size()) - CountChars(text, from, to);
  // Only what fits under maxchar goes in, as a paste into a full field does.
  const std::size_t room = MaxChars(*edit) > kept ? MaxChars(*edit) - kept : 0;
  std::size_t end = 0;
  for (std::size_t n = 0; n < room && end < utf8.size(); ++n) end = NextChar(utf8, end);
  if (end > 0) replaceText(*edit, from, to, utf8.substr(0, end));
}

bool Window::replaceText(Control& edit, std::size_t from, std::size_t to, const std::string& text) {
  const std::string old = edit.text();
  if (from == to && text.empty()) return false;
  edit.setAttribute("text", old.substr(0, from) + text + old.substr(to));
  edit.caret = edit.anchor = from + text.size();
  invalidate(edit.rect);
  changed(edit, Change::Text);
  notify("textchanged", &edit);
  return true;
}

bool Window::editKey(Control& edit, Key key, bool shift) {
  const std::string text = edit.text();
  const std::size_t caret = Boundary(text, edit.caret), anchor = Boundary(text, edit.anchor);
  const std::size_t from = std::min(caret, anchor), to = std::max(caret, anchor);
  switch (key) {
    case Key::Left:
    case Key::Right:
    case Key::Home:
    case Key::End: {
      std::size_t at = key == Key::Home ? 0 : key == Key::End ? text.size() : 0;
      if (key == Key::Left) at = !shift && from != to ? from : PreviousChar(text, caret);  // collapses a selection
      if (key == Key::Right) at = !shift && from != to ? to : NextChar(text, caret);
      const std::size_t newAnchor = shift ? anchor : at;
      if (at == edit.caret && newAnchor == edit.anchor) return false;
      edit.caret = at;
      edit.anchor = newAnchor;
      invalidate(edit.rect);
      return true;
    }
    case Key::Backspace:
    case Key::Delete:
      if (ParseBool(edit.attribute("readonly"))) return false;
      if (from != to) return replaceText(edit, from, to, "");
      return key == Key::Backspace ? replaceText(edit, PreviousChar(text, caret), caret, "")
                                   : replaceText(edit, caret, NextChar(text, caret), "");
    case Key::Return:
      notify("return", &edit);
      return true;
    default:
      return false;  // Space and the rest arrive as text input
  }
}

// ---- Rich edits (read-only text views)

bool Window::richEditKey(Control& rich, Key key) {
  switch (key) {
    case Key::Up: return scrollRichEdit(rich, rich.scrollY - kLineHeight);
    case Key::Down: return scrollRichEdit(rich, rich.scrollY + kLineHeight);
    case Key::PageUp: return scrollRichEdit(rich, rich.scrollY - rich.rect.height());
    case Key::PageDown: return scrollRichEdit(rich, rich.scrollY + rich.rect.height());
    case Key::Home: return scrollRichEdit(rich, 0);
    case Key::End: return scrollRichEdit(rich, INT_MAX);
    default: return false;
  }
}

bool Window::scrollRichEdit(Control& rich, long long to) {
  const ControlText text(*this, rich);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(text.layout(), &width, &height);
  const Rect padding = ParseRect(rich.attribute("textpadding"));
  const long long most = std::max(height + padding.top + padding.bottom - rich.rect.height(), 0);
  const int clamped = static_cast<int>(std::clamp(to, 0LL, most));
  if (clamped == rich.scrollY) return false;
  rich.scrollY = clamped;
  invalidate(rich.rect);
  return true;
}

}  // namespace cwui
