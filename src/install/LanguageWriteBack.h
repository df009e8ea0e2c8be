// The interface language handed to the installed product: its language code
// and the write into the product's uninstall entry ("Inno Setup: Language").
#pragma once

#include "EnumLanguage.h"

#include <optional>
#include <string>

class CConfigure;

// "en", "ja", "zhcn", ... for 1 to 19; "en" for every other value.
const char* ProductLanguageCode(int language);
// The "SetLanguage" event's name ("English", "Japanese", ...); "English"
// for every value outside 1 to 19.
const char* LanguageEventName(int language);
// The language of a product code ("ja" → Japanese); nothing when unknown.
std::optional<EnumLanguage> LanguageFromProductCode(const std::string& code);

// Writes the code of `language` into the product's uninstall entry. Products of
// other downloaders (ids 104, 113 to 115) keep their own settings and are left
// alone. True when the value was written.
bool WriteLanguageBack(const CConfigure& configure, int language);
