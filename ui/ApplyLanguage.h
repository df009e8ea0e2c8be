// A language's texts put into a window: the main window's controls from the
// "install_page", a message box's from the "message_page".
#pragma once

#include "ui/LanguageFile.h"
#include "toolkit/Window.h"

#include <string>

namespace ui {

// The three format strings the main window keeps from the page.
struct InstallFormats {
  std::string installLabel, spaceNeed, spaceFree;
};

// Every label of the page whose key names a control of the window becomes
// that control's text; the walk goes from the last label to the first, so
// the first of two labels with one key wins. The formats found are written
// into `formats`; those the page lacks stay as they were.
void ApplyInstallPage(cwui::Window& window, const LanguagePage& page, InstallFormats& formats);
// The language of a window's texts, which the fonts follow (Han characters
// in their Japanese, Traditional Chinese or Korean shapes).
void SetWindowLanguage(cwui::Window& window, int language);
// What a language brings to the main window: its text language, the licence of the language in
// license_text with its panel height, every text of the page, the two space
// texts filled in (free GiB, the product's size as the configuration gives
// it), and the settings and licence links shown. Returns false (the window
// unchanged) when the language file cannot be read.
bool ApplyMainWindowLanguage(cwui::Window& window, const cwui::LayoutSource& archive, int language, int siteId,
                             double freeGiB, const std::string& productSize, InstallFormats& formats);
// The texts, icon and buttons of a message box of `type` from its page (an
// empty page empties the four texts). The download box keeps its skin's.
void ApplyMessageBox(cwui::Window& window, const LanguagePage& page, int type);

}  // namespace ui
