#include "ui/ApplyLanguage.h"

#include "ui/FormatText.h"
#include "ui/LanguageTable.h"
#include "ui/MessageBoxTable.h"
#include "toolkit/Markup.h"

#include <string>

namespace ui {
namespace {

void SetText(cwui::Window& window, const char* name, const std::string& text) {
  if (cwui::Control* c = window.find(name)) window.setText(*c, text);
}

std::string TextOf(const LanguagePage& page, const char* key) {
  const std::string* text = *key != '\0' ? page.find(key) : nullptr;
  return text != nullptr ? *text : std::string();
}

// The check boxes and the picture buttons show no text of their own: screen
// readers name each by a text of the window in its language (the line
// beside a check box, the running page's button that does the same).
void NameAfter(cwui::Window& window, const char* control, const char* line) {
  cwui::Control* check = window.find(control);
  const cwui::Control* text = window.find(line);
  if (check == nullptr || text == nullptr) return;
  std::string name = cwui::ParseMarkup(text->text(), false).text;
  for (std::size_t at; (at = name.find("\xEF\xBF\xBC")) != std::string::npos;) name.erase(at, 3);  // pictures
  if (check->attribute("accessiblename") != name) window.setAttribute(*check, "accessiblename", name);
}

}  // namespace

void ApplyInstallPage(cwui::Window& window, const LanguagePage& page, InstallFormats& formats) {
  for (auto it = page.labels.rbegin(); it != page.labels.rend(); ++it) {
    const auto& [key, text] = *it;
    if (key == "install_label") formats.installLabel = text;
    if (key == "space_need") formats.spaceNeed = text;
    if (key == "space_free") formats.spaceFree = text;
    if (cwui::Control* c = window.find(key)) window.setText(*c, text);
  }
}

void SetWindowLanguage(cwui::Window& window, int language) {
  const LanguageEntry* entry = FindLanguage(language);
  window.setLanguage(entry != nullptr ? entry->tag : "");
}

bool ApplyMainWindowLanguage(cwui::Window& window, const cwui::LayoutSource& archive, int language, int siteId,
                             double freeGiB, const std::string& productSize, InstallFormats& formats) {
  const std::optional<LanguagePage> page = LoadLanguagePage(archive, language, "install_page");
  if (!page) return false;
  SetWindowLanguage(window, language);
  const LanguageEntry* entry = FindLanguage(language);
  if (const cwui::Control* licence = entry != nullptr ? window.find(entry->licenceControl) : nullptr) {
    SetText(window, "license_text", licence->text());
    if (cwui::Control* panel = window.find("license_text_layout")) {
      window.setAttribute(*panel, "height", std::to_string(LicencePanelHeight(language, siteId)));
    }
  }
  ApplyInstallPage(window, *page, formats);
  SetText(window, "space_free", FormatNumber(formats.spaceFree, freeGiB));
  SetText(window, "space_need", FormatString(formats.spaceNeed, productSize));
  for (const char* name : {"install_setting", "license_link"}) {
    if (cwui::Control* c = window.find(name)) window.setVisible(*c, true);
  }
  NameAfter(window, "license_checkbox", "license_link");
  NameAfter(window, "agree_improvement_checkbox", "agree_improvement");
  NameAfter(window, "minbtn", "install_minbtn");
  NameAfter(window, "closebtn", "install_closebtn");
  return true;
}

void ApplyMessageBox(cwui::Window& window, const LanguagePage& page, int type) {
  const MessageBoxEntry* box = FindMessageBox(type);
  if (box == nullptr) return;
  if (box->icon != nullptr) {
    if (cwui::Control* icon = window.find("iconimage")) window.setAttribute(*icon, "bkimage", box->icon);
  }
  SetText(window, "btn_yes", TextOf(page, box->yes));
  SetText(window, "btn_no", TextOf(page, box->no));
  // A product that is running is described by the skin unless the language says otherwise.
  if (type != MSG_APPEXIST || page.find(box->describe) != nullptr) {
    SetText(window, "msg_describe", TextOf(page, box->describe));
  }
  SetText(window, "msg_question", TextOf(page, box->question));
  if (!box->noShown) {
    if (cwui::Control* no = window.find("btn_no")) window.setVisible(*no, false);
  }
}

}  // namespace ui
