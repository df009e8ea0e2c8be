// The main window's language: chosen at start from the system's, changed in
// the combo, and handed to the installed product after the install.
#include "ui/InstallUIMainWnd.h"

#include "LanguageWriteBack.h"
#include "platform/log.h"
#include "ui/LanguageTable.h"

namespace ui {

void InstallUIMainWnd::selectStartupLanguage() {
  cwui::Control* combo = find("language_combox");
  const auto shown = [combo](int value) {
    return combo != nullptr && value >= 0 && value < static_cast<int>(combo->children().size()) &&
           combo->children()[value]->visible;
  };
  int chosen = m_env.systemLanguage;
  if (!shown(chosen)) chosen = English;
  for (int value = 0; !shown(chosen) && combo != nullptr && value < static_cast<int>(combo->children().size()); ++value) {
    if (shown(value)) chosen = value;
  }
  if (!shown(chosen)) chosen = English;
  m_language = static_cast<EnumLanguage>(chosen);
  if (combo != nullptr && shown(chosen)) m_window->selectComboItem(*combo, chosen);
  applyLanguage();
  setPanelOpen(false);
}

void InstallUIMainWnd::applyLanguage() {
  ApplyMainWindowLanguage(*m_window, m_env.archive, m_language.load(), m_siteId, m_freeGiB, label("ProductSize"),
                          m_formats);
}

void InstallUIMainWnd::OnItemSelect(int index) {
  // Start-up's own selection arrives here too, for the language just applied.
  if (FindLanguage(index) == nullptr || index == m_language.load()) return;
  m_language = static_cast<EnumLanguage>(index);
  CWLOG << " ChangeLanguageTo: " << FindLanguage(index)->file;
  applyLanguage();
}

bool InstallUIMainWnd::writeLanguageBack() { return WriteLanguageBack(*m_configure, m_language.load()); }

}  // namespace ui
