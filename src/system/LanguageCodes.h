// The short code of each interface language ("en", "ja", "zhcn", ...) as the
// installed product, its silent installer and the unattended command line
// know them. (The web form with "zh-cn" is GetLanguageCode's, in SystemInfo.h.)
#pragma once

#include "EnumLanguage.h"

#include <optional>
#include <string>

// "en", "ja", "zhcn", ... for 1 to 19; "en" for every other value.
const char* ProductLanguageCode(int language);
// The language of a product code ("ja" → Japanese); nothing when unknown.
std::optional<EnumLanguage> LanguageFromProductCode(const std::string& code);
