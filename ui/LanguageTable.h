// What each interface language brings to the windows: its language file, its
// licence control, the face its carousel captions are drawn in and the height
// of the licence panel.
#pragma once

#include "EnumLanguage.h"

#include <string>

namespace ui {

struct LanguageEntry {
  const char* file;            // "language_english.xml", below "language\" in the archive
  const char* licenceControl;  // "license_english"
  const char* captionFace;     // "Microsoft YaHei"
  const char* tag;             // the texts' language for the fonts: "en", "ja", "zh-tw", ...
  int licenceHeight;           // of license_text_layout when the licence is shown
};

// The entry of a language; nullptr outside 0..19.
const LanguageEntry* FindLanguage(int language);
// "language\language_english.xml"; "" outside 0..19.
std::string LanguageFilePath(int language);
// The licence panel's height; Chinese is taller for the sites whose licence
// is longer, and a value outside 0..19 gets the tallest panel.
int LicencePanelHeight(int language, int siteId);

}  // namespace ui
