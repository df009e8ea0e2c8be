#include "toolkit/FontMap.h"

#include <pango/pangocairo.h>

namespace cwui {

bool FontMap::Load(const std::string&, std::string* error) {
  if (error != nullptr) *error = "not built yet";
  return false;
}

PangoFontMap* FontMap::Get() { return pango_cairo_font_map_get_default(); }

PangoContext* FontMap::CreateContext() {
  PangoContext* context = pango_font_map_create_context(Get());
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  return context;
}

int MissingGlyphs(PangoLayout* layout) { return pango_layout_get_unknown_glyphs_count(layout); }

}  // namespace cwui
