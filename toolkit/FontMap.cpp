#include "toolkit/FontMap.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <cstring>

namespace cwui {
namespace {

// The configuration ships in the archive and is a few kilobytes; anything
// far larger is not one.
constexpr size_t kMaxConfigurationBytes = 1 << 20;

// The map Load built; null until then. Only the loop's thread touches it.
PangoFontMap* g_map = nullptr;

bool Fail(std::string* error, const char* reason) {
  if (error != nullptr) *error = reason;
  return false;
}

}  // namespace

bool FontMap::Load(const std::string& configuration, std::string* error) {
  if (configuration.size() > kMaxConfigurationBytes) return Fail(error, "font configuration over 1 MiB");
  // fontconfig reads up to the first NUL; a text with one would be cut short.
  if (std::memchr(configuration.data(), '\0', configuration.size()) != nullptr)
    return Fail(error, "font configuration contains a NUL byte");
  FcConfig* config = FcConfigCreate();
  if (config == nullptr) return Fail(error, "fontconfig could not create a configuration");
  const auto* text = reinterpret_cast<const FcChar8*>(configuration.c_str());
  if (!FcConfigParseAndLoadFromMemory(config, text, FcTrue)) {
    FcConfigDestroy(config);
    return Fail(error, "font configuration is not a valid fontconfig document");
  }
  if (!FcConfigBuildFonts(config)) {
    FcConfigDestroy(config);
    return Fail(error, "fontconfig could not scan the configured font folders");
  }
  // A map without fonts would show every character as a box.
  FcFontSet* fonts = FcConfigGetFonts(config, FcSetSystem);
  if (fonts == nullptr || fonts->nfont == 0) {
    FcConfigDestroy(config);
    return Fail(error, "font configuration finds no fonts");
  }
  PangoFontMap* map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
  if (map == nullptr) {
    FcConfigDestroy(config);
    return Fail(error, "pango has no FreeType font map");
  }
  pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(map), config);  // takes its own reference
  FcConfigDestroy(config);
  if (g_map != nullptr) g_object_unref(g_map);  // contexts made from it keep it alive
  g_map = map;
  return true;
}

PangoFontMap* FontMap::Get() { return g_map != nullptr ? g_map : pango_cairo_font_map_get_default(); }

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
