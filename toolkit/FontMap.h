// The toolkit's own font map. Skins name Windows faces ("Microsoft YaHei",
// "Meiryo UI", "batang", "Times New Roman"); a fontconfig configuration that
// ships in the resource archive maps each to an installed font, and is
// loaded into a font map of the toolkit's own, so what the user's fontconfig
// says cannot change how the installer looks. Every pango context the
// toolkit lays text out with comes from here.
#pragma once

#include <string>

typedef struct _PangoContext PangoContext;
typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoLayout PangoLayout;

namespace cwui {

class FontMap {
 public:
  // Builds the map from a fontconfig configuration text (the system's font
  // folders are scanned; the user's configuration is not read). False, with
  // the reason in *error, when the text is not a configuration; the map in
  // use stays as it was. The loop's thread, before any window paints.
  static bool Load(const std::string& configuration, std::string* error = nullptr);
  // The map in use: the one Load built, else pango's default cairo map.
  static PangoFontMap* Get();
  // A new context of the map (the caller unrefs it), with metrics that do
  // not depend on the device scale, so a layout measures the same at scale 1
  // and 2.
  static PangoContext* CreateContext();
};

// How many characters of the layout's text no font of the map has a glyph
// for (shown as boxes).
int MissingGlyphs(PangoLayout* layout);

}  // namespace cwui
