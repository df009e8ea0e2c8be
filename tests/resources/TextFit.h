// How the texts of a laid-out window show: with real glyphs (Han in the
// shapes of the window's language), within their controls (nothing cut off
// or elided), Arabic right to left. For the suites that check the shipped
// skin and the windows built on it.
#pragma once

#include "toolkit/ControlText.h"
#include "toolkit/FontMap.h"
#include "toolkit/SkinValues.h"
#include "toolkit/Window.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace textfit {

inline void Walk(const cwui::Control& c, const std::function<void(const cwui::Control&)>& visit) {
  if (!c.visible) return;
  visit(c);
  for (const auto& child : c.children()) Walk(*child, visit);
}

inline bool IsArabicLetter(const std::string& text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  return lead >= 0xD8 && lead <= 0xDB;
}

// Han characters (U+4E00..U+9FFF) in a run.
inline bool HasHan(const char* text, int length) {
  for (int i = 0; i + 2 < length; ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead >= 0xE4 && lead <= 0xE9) return true;
  }
  return false;
}

// The faces Han characters are drawn in, when one is not of the region the
// window's language writes them for ("Noto Sans CJK JP" for Japanese, ...).
inline std::string WrongHanFace(PangoLayout* layout, const std::string& language) {
  const std::string region = language == "ja" ? "JP" : language == "zh-tw" ? "TC" : language == "ko" ? "KR" : "SC";
  const char* text = pango_layout_get_text(layout);
  std::string wrong;
  PangoLayoutIter* iter = pango_layout_get_iter(layout);
  do {
    const PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iter);
    if (run == nullptr || !HasHan(text + run->item->offset, run->item->length)) continue;
    PangoFontDescription* font = pango_font_describe(run->item->analysis.font);
    const std::string family = pango_font_description_get_family(font);
    pango_font_description_free(font);
    if (family.find("CJK " + region) == std::string::npos) wrong = family;
  } while (pango_layout_iter_next_run(iter));
  pango_layout_iter_free(iter);
  return wrong;
}

// What is wrong with how a control shows its text; "" when nothing.
inline std::string Problem(const cwui::Window& window, const cwui::Control& c) {
  cwui::ControlText laid(window, c);
  PangoLayout* layout = laid.layout();
  const std::string shown = pango_layout_get_text(layout);
  if (shown.empty()) return "";
  // Nothing may be cut off: the painter clips a control's text to its rectangle.
  PangoRectangle ink{}, logical{};
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  const cwui::Rect padding = cwui::ParseRect(c.attribute("textpadding"));
  const int width = c.rect.width() - padding.left - padding.right;
  const int top = laid.y() + ink.y, bottom = top + ink.height;
  std::string problem;
  if (cwui::MissingGlyphs(layout) > 0) problem += " lacks glyphs;";
  if (const std::string face = WrongHanFace(layout, window.language()); !face.empty()) problem += " Han in " + face + ";";
  if (pango_layout_is_ellipsized(layout) || logical.width > width) problem += " too wide;";
  if (top < c.rect.top || bottom > c.rect.bottom) {
    problem += " cut off (" + std::to_string(top) + ".." + std::to_string(bottom) + " outside " +
               std::to_string(c.rect.top) + ".." + std::to_string(c.rect.bottom) + ");";
  }
  for (std::size_t i = 0; i + 2 < shown.size(); ++i) {
    if (!IsArabicLetter(shown, i) || !IsArabicLetter(shown, i + 2)) continue;
    PangoRectangle first{}, second{};
    pango_layout_index_to_pos(layout, static_cast<int>(i), &first);
    pango_layout_index_to_pos(layout, static_cast<int>(i + 2), &second);
    if (first.x <= second.x) problem += " Arabic runs left to right;";
    break;
  }
  return problem.empty() ? "" : c.name() + " \"" + shown + "\":" + problem;
}

inline std::vector<std::string> Problems(const cwui::Window& window) {
  std::vector<std::string> found;
  Walk(*window.skin().root, [&](const cwui::Control& c) {
    static const char* const kTextKinds[] = {"label", "text", "button", "option", "checkbox"};
    const bool hasText = std::find(std::begin(kTextKinds), std::end(kTextKinds), c.kind()) != std::end(kTextKinds);
    if (hasText && c.rect.width() > 0 && !c.text().empty()) {
      if (std::string p = Problem(window, c); !p.empty()) found.push_back(p);
    }
  });
  return found;
}

}  // namespace textfit
