#include "toolkit/TextLayout.h"

#include <pango/pangocairo.h>

#include <algorithm>

namespace cwui {
namespace {

const FontSpec* FindFont(const std::vector<FontSpec>& fonts, int id) {
  for (const FontSpec& f : fonts) {
    if (f.id == id) return &f;
  }
  for (const FontSpec& f : fonts) {
    if (f.isDefault) return &f;
  }
  return fonts.empty() ? nullptr : &fonts.front();
}

void Insert(PangoAttrList* list, PangoAttribute* attribute, std::size_t start, std::size_t end) {
  attribute->start_index = static_cast<guint>(start);
  attribute->end_index = static_cast<guint>(end);
  pango_attr_list_insert(list, attribute);
}

guint16 Channel(std::uint32_t rgb, int shift) { return static_cast<guint16>(((rgb >> shift) & 0xFF) * 257); }

void Colour(PangoAttrList* list, std::uint32_t rgb, std::size_t start, std::size_t end, bool background = false) {
  PangoAttribute* a = background ? pango_attr_background_new(Channel(rgb, 16), Channel(rgb, 8), Channel(rgb, 0))
                                 : pango_attr_foreground_new(Channel(rgb, 16), Channel(rgb, 8), Channel(rgb, 0));
  Insert(list, a, start, end);
}

PangoFontDescription* Describe(const FontSpec* spec) {
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, spec != nullptr && !spec->face.empty() ? spec->face.c_str() : "Sans");
  // The skin's size is the em height in pixels.
  pango_font_description_set_absolute_size(d, (spec != nullptr ? spec->size : 12) * PANGO_SCALE);
  if (spec != nullptr && spec->bold) pango_font_description_set_weight(d, PANGO_WEIGHT_BOLD);
  if (spec != nullptr && spec->italic) pango_font_description_set_style(d, PANGO_STYLE_ITALIC);
  return d;
}

}  // namespace

void SetMarkupText(PangoLayout* layout, const MarkupText& text, const std::vector<FontSpec>& fonts, int base,
                   const TextColours& colours) {
  const FontSpec* baseFont = FindFont(fonts, base);
  PangoFontDescription* description = Describe(baseFont);
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);
  pango_layout_set_text(layout, text.text.data(), static_cast<int>(text.text.size()));

  PangoAttrList* list = pango_attr_list_new();
  for (const MarkupText::Run& run : text.runs) {
    const TextStyle& s = run.style;
    if (s.font >= 0 || !s.face.empty()) {
      const FontSpec* byId = s.font >= 0 ? FindFont(fonts, s.font) : nullptr;
      FontSpec spec = byId != nullptr ? *byId : FontSpec{};
      if (!s.face.empty()) {
        spec.face = s.face;
        if (s.size > 0) spec.size = s.size;
      }
      PangoFontDescription* d = Describe(&spec);
      Insert(list, pango_attr_font_desc_new(d), run.start, run.end);
      pango_font_description_free(d);
    }
    if (s.bold) Insert(list, pango_attr_weight_new(PANGO_WEIGHT_BOLD), run.start, run.end);
    if (s.italic) Insert(list, pango_attr_style_new(PANGO_STYLE_ITALIC), run.start, run.end);
    const bool link = s.link >= 0;
    if (s.underline || link) Insert(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE), run.start, run.end);
    const std::uint32_t colour = link ? (s.link == colours.hoverLink ? colours.linkHover : colours.link)
                                      : s.colour.value_or(colours.text);
    Colour(list, colour, run.start, run.end);
    if (s.selected) Colour(list, colours.selected, run.start, run.end, true);
  }
  // Gaps and pictures: a shape of their width, sized by the painter later for pictures.
  for (const MarkupText::Object& object : text.objects) {
    PangoRectangle ink{0, 0, object.gap * PANGO_SCALE, PANGO_SCALE};
    Insert(list, pango_attr_shape_new(&ink, &ink), object.offset, object.offset + 3);
  }
  pango_layout_set_attributes(layout, list);
  pango_attr_list_unref(list);
}

int LinkAt(PangoLayout* layout, const MarkupText& text, int x, int y) {
  int index = 0, trailing = 0;
  if (!pango_layout_xy_to_index(layout, x * PANGO_SCALE, y * PANGO_SCALE, &index, &trailing)) return -1;
  const std::size_t at = static_cast<std::size_t>(std::max(index, 0));
  for (std::size_t i = 0; i < text.links.size(); ++i) {
    if (at >= text.links[i].start && at < text.links[i].end) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace cwui
