// The interface language handed to the installed product: its language code
// (LanguageCodes.h) and the write into the product's uninstall entry ("Inno Setup: Language").
#pragma once

#include "EnumLanguage.h"

#include <string>

class CConfigure;

// The "SetLanguage" event's name ("English", "Japanese", ...); "English"
// for every value outside 1 to 19.
const char* LanguageEventName(int language);

// Writes the code of `language` into the product's uninstall entry. Products of
// other downloaders (ids 104, 113 to 115) keep their own settings and are left
// alone. True when the value was written.
bool WriteLanguageBack(const CConfigure& configure, int language);
