#include "toolkit/Painter.h"

#include "toolkit/ControlText.h"
#include "toolkit/FontMap.h"
#include "toolkit/ImagePaint.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

namespace cwui {
namespace {

bool Intersects(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// A background colour: alpha 00 is not drawn, below FF blends.
std::optional<std::uint32_t> BackColour(const Control& c, const char* name) {
  const std::optional<std::uint32_t> colour = ParseColour(c.attribute(name));
  if (!colour || (*colour >> 24) == 0) return std::nullopt;
  return colour;
}

void SetColour(cairo_t* cr, std::uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                        (argb >> 24) / 255.0);
}

// Corners as the skin gives them: the width and height of the ellipse that rounds them.
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double ellipseW, double ellipseH) {
  double rx = ellipseW / 2, ry = ellipseH / 2;
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  rx = std::min(rx, w / 2);
  ry = std::min(ry, h / 2);
  cairo_save(cr);
  cairo_new_sub_path(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, rx, ry);
  const double W = w / rx, H = h / ry;
  cairo_arc(cr, W - 1, 1, 1, -M_PI / 2, 0);
  cairo_arc(cr, W - 1, H - 1, 1, 0, M_PI / 2);
  cairo_arc(cr, 1, H - 1, 1, M_PI / 2, M_PI);
  cairo_arc(cr, 1, 1, 1, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
  cairo_restore(cr);
}

void FillRect(cairo_t* cr, const Rect& r, std::uint32_t argb) {
  SetColour(cr, argb);
  cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
  cairo_fill(cr);
}

class Painter {
 public:
  Painter(cairo_t* cr, Window& window, int scale, const Rect& dirty)
      : m_cr(cr), m_window(window), m_scale(scale), m_dirty(dirty) {}

  void paintTree(Control& c) {
    if (!c.visible || c.rect.width() <= 0 || c.rect.height() <= 0 || !Intersects(c.rect, m_dirty)) return;
    ++m_stats.controls;
    cairo_save(m_cr);
    const Size round = ParseSize(c.attribute("borderround"));
    RoundedRect(m_cr, c.rect.left, c.rect.top, c.rect.width(), c.rect.height(), round.cx, round.cy);
    cairo_clip(m_cr);
    paintControl(c);
    for (const auto& child : c.children()) {
      // A combo's items are drawn in its list, not in it.
      if (c.kind() != "combo") paintTree(*child);
    }
    if (c.scrollHeight > 0) paintScrollMark(c, c.scrollHeight + c.inset.top + c.inset.bottom);
    cairo_restore(m_cr);
    paintBorder(c, round);
  }

  void paintOverlays() {
    if (Control* f = m_window.focused(); f != nullptr && f->visible && Intersects(f->rect, m_dirty)) {
      // Only the part of it its containers show.
      cairo_save(m_cr);
      for (const Control* p = f->parent(); p != nullptr; p = p->parent()) {
        cairo_rectangle(m_cr, p->rect.left, p->rect.top, p->rect.width(), p->rect.height());
        cairo_clip(m_cr);
      }
      paintFocus(*f);
      cairo_restore(m_cr);
    }
    if (m_window.dropBox().combo != nullptr) paintDropBox(m_window.dropBox());
  }

  PaintStats stats() const { return m_stats; }

 private:
  void paintControl(Control& c) {
    paintBackground(c);
    image(c, c.attribute("bkimage"));
    paintStateImage(c);
    const std::string& kind = c.kind();
    if (kind == "progress") paintProgress(c);
    if (!c.text().empty() && !c.hostEditor) paintText(c);
  }

  void paintBackground(const Control& c) {
    std::optional<std::uint32_t> top = BackColour(c, "bkcolor");
    // A state's colour, when the skin gives one, replaces the plain one.
    const auto over = [&top, &c](bool applies, const char* name) {
      if (!applies) return;
      if (const auto colour = BackColour(c, name)) top = colour;
    };
    over(c.isOption() && c.selected, "selectedbkcolor");
    over(c.hot && c.enabled, "hotbkcolor");
    over(c.kind() == "edit", "nativebkcolor");
    if (!top) return;
    const std::optional<std::uint32_t> middle = BackColour(c, "bkcolor2"), bottom = BackColour(c, "bkcolor3");
    if (!middle) {
      FillRect(m_cr, c.rect, *top);
      return;
    }
    // A vertical gradient: top to middle to bottom (bkcolor3), or top to middle.
    cairo_pattern_t* g = cairo_pattern_create_linear(0, c.rect.top, 0, c.rect.bottom);
    const auto stop = [g](double at, std::uint32_t v) {
      cairo_pattern_add_color_stop_rgba(g, at, ((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0,
                                        (v & 0xFF) / 255.0, (v >> 24) / 255.0);
    };
    stop(0, *top);
    stop(bottom ? 0.5 : 1, *middle);
    if (bottom) stop(1, *bottom);
    cairo_set_source(m_cr, g);
    cairo_rectangle(m_cr, c.rect.left, c.rect.top, c.rect.width(), c.rect.height());
    cairo_fill(m_cr);
    cairo_pattern_destroy(g);
  }

  // The first state image the skin gives for the control's state, falling
  // back to the normal one.
  void paintStateImage(const Control& c) {
    if (!c.isInteractive()) return;
    std::vector<const char*> order;
    if (!c.enabled) order.push_back("disabledimage");
    if (c.isOption() && c.selected) {
      if (c.hot) order.push_back("selectedhotimage");
      order.push_back("selectedimage");
    }
    if (c.enabled && c.pushed) order.push_back("pushedimage");
    if (c.enabled && c.hot) order.push_back("hotimage");
    if (c.enabled && c.focused) order.push_back("focusedimage");
    order.push_back("normalimage");
    for (const char* name : order) {
      const std::string value = c.attribute(name);
      if (!value.empty()) {
        image(c, value);
        break;
      }
    }
    image(c, c.enabled && c.hot && !c.attribute("hotforeimage").empty() ? c.attribute("hotforeimage")
                                                                          : c.attribute("foreimage"));
  }

  void paintProgress(const Control& c) {
    const int span = c.maxValue - c.minValue;
    if (span == 0) return;
    const double share = std::clamp(static_cast<double>(c.value - c.minValue) / span, 0.0, 1.0);
    const bool horizontal = c.attribute("hor") != "false";
    Rect part = c.rect;
    if (horizontal) {
      part.right = c.rect.left + static_cast<int>(std::lround(c.rect.width() * share));
    } else {
      part.top = c.rect.bottom - static_cast<int>(std::lround(c.rect.height() * share));
    }
    if (part.width() <= 0 || part.height() <= 0) return;
    ImageSpec spec = ParseImageAttribute(c.attribute("foreimage"));
    if (spec.file.empty()) return;
    cairo_save(m_cr);
    cairo_rectangle(m_cr, part.left, part.top, part.width(), part.height());
    cairo_clip(m_cr);
    // Stretched, the whole picture fills the share; otherwise the share is cut out of a picture of the full size.
    if (ParseBool(c.attribute("isstretchfore"))) {
      image(c, spec, part);
    } else {
      image(c, spec, c.rect);
    }
    cairo_restore(m_cr);
  }

  void paintText(const Control& c) {
    ControlText text(m_window, c, HoverLink(c));
    drawLayout(text);
    if (c.kind() == "edit" && c.focused) paintCaret(c, text);
    if (c.kind() == "richedit") {
      int w = 0, h = 0;
      pango_layout_get_pixel_size(text.layout(), &w, &h);
      paintScrollMark(c, h);
    }
  }

  void drawLayout(const ControlText& text) {
    cairo_move_to(m_cr, text.x(), text.y());
    pango_cairo_update_layout(m_cr, text.layout());
    pango_cairo_show_layout(m_cr, text.layout());
    m_stats.missingGlyphs += MissingGlyphs(text.layout());
  }

  // The caret, and the selection under the text. Indices of a masked
  // password count characters, three bytes per dot.
  void paintCaret(const Control& c, const ControlText& text) {
    const bool masked = ParseBool(c.attribute("password"));
    const std::string value = c.text();
    const auto index = [&](std::size_t at) {
      if (!masked) return static_cast<int>(at);
      int chars = 0;
      for (std::size_t i = 0; i < at && i < value.size(); ++i) chars += (static_cast<unsigned char>(value[i]) & 0xC0) != 0x80;
      return chars * 3;
    };
    PangoRectangle caret{};
    pango_layout_index_to_pos(text.layout(), index(c.caret), &caret);
    if (c.anchor != c.caret) {
      PangoRectangle other{};
      pango_layout_index_to_pos(text.layout(), index(c.anchor), &other);
      const double from = std::min(caret.x, other.x) / double(PANGO_SCALE), to = std::max(caret.x, other.x) / double(PANGO_SCALE);
      cairo_set_source_rgba(m_cr, 0.2, 0.45, 0.9, 0.35);
      cairo_rectangle(m_cr, text.x() + from, text.y(), to - from, caret.height / double(PANGO_SCALE));
      cairo_fill(m_cr);
    }
    SetColour(m_cr, 0xFF000000u | (ParseColour(c.attribute("textcolor")).value_or(0) & 0xFFFFFF));
    cairo_rectangle(m_cr, text.x() + caret.x / double(PANGO_SCALE), text.y() + caret.y / double(PANGO_SCALE), 1,
                    caret.height / double(PANGO_SCALE));
    cairo_fill(m_cr);
  }

  // A thin bar on the right of a scrolled view of h pixels: where the shown part lies.
  void paintScrollMark(const Control& c, int h) {
    const int shown = c.rect.height();
    if (h <= shown || shown <= 0) return;
    const double length = std::max(20.0, shown * double(shown) / h);
    const double at = c.rect.top + (shown - length) * std::clamp(c.scrollY / double(h - shown), 0.0, 1.0);
    cairo_set_source_rgba(m_cr, 0, 0, 0, 0.25);
    RoundedRect(m_cr, c.rect.right - 6, at, 4, length, 2, 2);
    cairo_fill(m_cr);
  }

  void paintDropBox(const DropBox& box) {
    const Control& combo = *box.combo;
    cairo_save(m_cr);
    cairo_rectangle(m_cr, box.rect.left, box.rect.top, box.rect.width(), box.rect.height());
    cairo_clip(m_cr);
    FillRect(m_cr, box.rect, BackColour(combo, "itembkcolor").value_or(0xFFFFFFFF));
    for (const DropBox::Item& item : box.items) {
      const Control& source = *combo.children()[static_cast<std::size_t>(item.index)];
      std::optional<std::uint32_t> bk;
      if (item.index == combo.selectedItem) bk = BackColour(combo, "itemselectedbkcolor");
      if (item.index == box.hot) bk = BackColour(combo, "itemhotbkcolor").value_or(0xFFE5F1FB);
      if (bk) FillRect(m_cr, item.rect, *bk);
      Control shown("label");
      const std::pair<const char*, const char*> styles[] = {{"itemfont", "font"},
                                                            {"itemtextcolor", "textcolor"},
                                                            {"itemtextpadding", "textpadding"},
                                                            {"itemalign", "align"},
                                                            {"itemshowhtml", "showhtml"}};
      for (const auto& [from, to] : styles) {
        if (!combo.attribute(from).empty()) shown.setAttribute(to, combo.attribute(from));
      }
      shown.setAttribute("text", source.text());
      shown.setAttribute("endellipsis", "true");
      shown.rect = item.rect;
      ControlText text(m_window, shown);
      drawLayout(text);
    }
    cairo_restore(m_cr);
    SetColour(m_cr, ParseColour(combo.attribute("bordercolor")).value_or(0xFFB0B0B0) | 0xFF000000u);
    cairo_set_line_width(m_cr, 1);
    cairo_rectangle(m_cr, box.rect.left + 0.5, box.rect.top + 0.5, box.rect.width() - 1, box.rect.height() - 1);
    cairo_stroke(m_cr);
  }

  void paintBorder(const Control& c, const Size& round) {
    std::optional<std::uint32_t> colour = BackColour(c, "bordercolor");
    if (c.focused && BackColour(c, "focusbordercolor")) colour = BackColour(c, "focusbordercolor");
    if (!colour) return;
    const std::string size = c.attribute("bordersize");
    Rect widths = ParseRect(size);
    if (size.find_first_of(",; ") == std::string::npos) {
      const int w = size.empty() ? 0 : std::max(ParseInt(size), 0);
      widths = {w, w, w, w};
    }
    SetColour(m_cr, *colour);
    const Rect& r = c.rect;
    if (widths.left == widths.top && widths.left == widths.right && widths.left == widths.bottom) {
      if (widths.left <= 0) return;
      const double w = widths.left;
      cairo_set_line_width(m_cr, w);
      RoundedRect(m_cr, r.left + w / 2, r.top + w / 2, r.width() - w, r.height() - w, round.cx, round.cy);
      cairo_stroke(m_cr);
      return;
    }
    // Sides of their own widths.
    FillRect(m_cr, {r.left, r.top, r.left + widths.left, r.bottom}, *colour);
    FillRect(m_cr, {r.left, r.top, r.right, r.top + widths.top}, *colour);
    FillRect(m_cr, {r.right - widths.right, r.top, r.right, r.bottom}, *colour);
    FillRect(m_cr, {r.left, r.bottom - widths.bottom, r.right, r.bottom}, *colour);
  }

  // The focus ring: a dotted outline just inside the control, visible on
  // light and dark pictures alike (a dark line with a light one under it).
  void paintFocus(const Control& c) {
    const Rect& r = c.rect;
    static const double dash[] = {2, 2};
    cairo_save(m_cr);
    cairo_set_line_width(m_cr, 1);
    cairo_set_source_rgba(m_cr, 1, 1, 1, 0.8);
    cairo_rectangle(m_cr, r.left + 1.5, r.top + 1.5, r.width() - 3, r.height() - 3);
    cairo_stroke(m_cr);
    cairo_set_dash(m_cr, dash, 2, 0);
    cairo_set_source_rgba(m_cr, 0.1, 0.1, 0.1, 0.9);
    cairo_rectangle(m_cr, r.left + 1.5, r.top + 1.5, r.width() - 3, r.height() - 3);
    cairo_stroke(m_cr);
    cairo_restore(m_cr);
  }

  void image(const Control& c, const std::string& attribute) {
    if (!attribute.empty()) image(c, ParseImageAttribute(attribute), c.rect);
  }
  void image(const Control&, const ImageSpec& spec, const Rect& into) {
    if (!spec.file.empty()) DrawImage(m_cr, m_window.images(), spec, into, m_scale);
  }

  static int HoverLink(const Control& c) { return c.hotLink; }

  cairo_t* m_cr;
  Window& m_window;
  int m_scale;
  Rect m_dirty;
  PaintStats m_stats;
};

}  // namespace

PaintStats PaintWindow(cairo_t* cr, Window& window, int scale, const Rect& dirty) {
  Painter painter(cr, window, scale, dirty);
  const Skin& skin = window.skin();
  cairo_save(cr);
  cairo_rectangle(cr, dirty.left, dirty.top, dirty.width(), dirty.height());
  cairo_clip(cr);
  // The window's shape: its round corners; an opaque window starts white
  // there, a transparent one (bktrans) shows only what its controls paint.
  RoundedRect(cr, 0, 0, skin.size.cx, skin.size.cy, skin.roundCorner.cx, skin.roundCorner.cy);
  cairo_clip(cr);
  if (!skin.transparent) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
  }
  painter.paintTree(*window.skin().root);
  painter.paintOverlays();
  cairo_restore(cr);
  return painter.stats();
}

PaintStats PaintWindow(cairo_t* cr, Window& window, int scale) {
  return PaintWindow(cr, window, scale, window.skin().root->rect);
}

}  // namespace cwui
