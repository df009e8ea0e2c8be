// Markup text on a pango layout: the style runs become one attribute list
// (not pango markup text, so nothing in the text is read twice), fonts come
// from the window's font list, and links are found by pango's hit test.
#pragma once

#include "toolkit/Markup.h"
#include "toolkit/Skin.h"

#include <cstdint>
#include <vector>

typedef struct _PangoLayout PangoLayout;

namespace cwui {

struct TextColours {
  std::uint32_t text = 0x000000;       // RGB
  std::uint32_t link = 0x0000FF;
  std::uint32_t linkHover = 0xD3215F;
  std::uint32_t selected = 0xBAE4FF;   // {s} background
  int hoverLink = -1;                  // the link under the pointer
};

// Sets the layout's text and attributes. `base` is the control's font id
// (-1: the window's default font).
void SetMarkupText(PangoLayout* layout, const MarkupText& text, const std::vector<FontSpec>& fonts, int base,
                   const TextColours& colours);
// The index of the link at (x, y) in the layout's pixels, -1 when none.
int LinkAt(PangoLayout* layout, const MarkupText& text, int x, int y);

}  // namespace cwui
