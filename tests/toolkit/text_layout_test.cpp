// Markup on a pango layout: the runs' attributes land on their byte ranges,
// the hovered link takes the hover colour, and pango's hit test finds links.
#include "toolkit/TextLayout.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdio>

namespace {

struct Layout {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 600, 100);
  cairo_t* cr = cairo_create(surface);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  ~Layout() {
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  // "type start-end value" of each attribute, in list order.
  std::vector<std::string> Attributes() const {
    std::vector<std::string> out;
    GSList* all = pango_attr_list_get_attributes(pango_layout_get_attributes(layout));
    for (GSList* l = all; l != nullptr; l = l->next) {
      auto* a = static_cast<PangoAttribute*>(l->data);
      std::string value;
      if (a->klass->type == PANGO_ATTR_FOREGROUND) {
        const PangoColor& c = reinterpret_cast<PangoAttrColor*>(a)->color;
        char hex[8];
        std::snprintf(hex, sizeof(hex), "%02x%02x%02x", c.red >> 8, c.green >> 8, c.blue >> 8);
        value = std::string("fg ") + hex;
      } else if (a->klass->type == PANGO_ATTR_WEIGHT) {
        value = "bold";
      } else if (a->klass->type == PANGO_ATTR_UNDERLINE) {
        value = "underline";
      } else {
        value = "other";
      }
      out.push_back(value + " " + std::to_string(a->start_index) + "-" + std::to_string(a->end_index));
      pango_attribute_destroy(a);
    }
    g_slist_free(all);
    return out;
  }
};

TEST(TextLayout, RunsBecomeAttributesAndLinksAreHit) {
  const cwui::MarkupText text = cwui::ParseMarkup("Go {b}now{/b} {a lic}read{/a}{c #00FF00}!{/c}");
  const std::vector<cwui::FontSpec> fonts = {{0, "Sans", 14, false, false, false, true}};
  cwui::TextColours colours;
  colours.text = 0x112233;
  Layout l;
  cwui::SetMarkupText(l.layout, text, fonts, -1, colours);
  EXPECT_STREQ(pango_layout_get_text(l.layout), "Go now read!");
  EXPECT_EQ(l.Attributes(), (std::vector<std::string>{"fg 112233 0-3", "bold 3-6", "fg 112233 3-6", "fg 112233 6-7",
                                                      "underline 7-11", "fg 0000ff 7-11", "fg 00ff00 11-12"}));
  colours.hoverLink = 0;
  cwui::SetMarkupText(l.layout, text, fonts, -1, colours);
  const std::vector<std::string> hovered = l.Attributes();
  EXPECT_NE(std::find(hovered.begin(), hovered.end(), "fg d3215f 7-11"), hovered.end());

  PangoRectangle link{}, go{};
  pango_layout_index_to_pos(l.layout, 8, &link);  // inside "read"
  pango_layout_index_to_pos(l.layout, 0, &go);
  EXPECT_EQ(cwui::LinkAt(l.layout, text, (link.x + link.width / 2) / PANGO_SCALE, 5), 0);
  EXPECT_EQ(cwui::LinkAt(l.layout, text, (go.x + go.width / 2) / PANGO_SCALE, 5), -1);
  EXPECT_EQ(cwui::LinkAt(l.layout, text, 590, 90), -1);  // outside the text
}

}  // namespace
