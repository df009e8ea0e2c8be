// Every language's texts in the shipped windows, page by page and box by box:
// each shows with real glyphs (Han characters in the shapes of the window's
// language) and fits its control (nothing cut off or elided), and Arabic
// reads right to left.
#include "SkinArchive.h"
#include "TextFit.h"

#include "ui/ApplyLanguage.h"
#include "ui/FormatText.h"
#include "ui/LanguageTable.h"
#include "ui/MessageBoxTable.h"

#include <vector>

namespace {

class ShippedTexts : public SkinArchive {};

struct MainState {
  const char* name;
  int mainItem, pageItem;
  const char* startKey;       // the page text on start_app
  bool failed;
};

TEST_F(ShippedTexts, MainWindowPagesInEveryLanguage) {
  const MainState states[] = {{"settings", 0, 0, nullptr, false},
                              {"finished", 0, 1, "start_app", false},
                              {"failed", 0, 1, "retry_btn", true},
                              {"running", 1, 1, nullptr, false}};
  for (int language = 0; language < kEnumLanguageCount; ++language) {
    for (const MainState& state : states) {
      SCOPED_TRACE(std::string(ui::FindLanguage(language)->file) + ", " + state.name);
      auto window = Open("InstallMainWnd.xml");
      ASSERT_TRUE(window);
      ui::InstallFormats formats;
      ASSERT_TRUE(ui::ApplyMainWindowLanguage(*window, Source(), language, 61, 1234.5, "180 MB", formats));
      // The rows the skin keeps hidden are checked too: a skin may show them.
      for (const char* name : {"space_need", "agree_improvement"}) window->setVisible(*window->find(name)->parent(), true);
      window->setText(*window->find("install_label"), ui::FormatNumber(formats.installLabel, 100.0));
      window->selectItem(*window->find("main_tablayout"), state.mainItem);
      window->selectItem(*window->find("page_layout"), state.pageItem);
      if (state.startKey != nullptr) {
        window->setText(*window->find("start_app"), ui::LoadLanguageText(Source(), "install_page", state.startKey, language));
      }
      for (const char* name : {"text_fail_retry", "text_fail_advice", "img_warning"}) {
        window->setVisible(*window->find(name), state.failed);
      }
      window->setVisible(*window->find("text_startshortcut"), false);
      for (const std::string& problem : textfit::Problems(*window)) ADD_FAILURE() << problem;
    }
  }
}

TEST_F(ShippedTexts, MessageBoxesInEveryLanguage) {
  for (int language = 0; language < kEnumLanguageCount; ++language) {
    const auto page = ui::LoadLanguagePage(Source(), language, "message_page");
    ASSERT_TRUE(page) << language;
    for (int type = MSG_REPLACE; type <= MSG_AGREE; ++type) {
      if (type == MSG_DOWN) continue;
      SCOPED_TRACE(std::string(ui::FindLanguage(language)->file) + ", box " + std::to_string(type));
      auto window = Open("MessageBox.xml");
      ASSERT_TRUE(window);
      ui::SetWindowLanguage(*window, language);
      ui::ApplyMessageBox(*window, *page, type);
      for (const std::string& problem : textfit::Problems(*window)) ADD_FAILURE() << problem;
    }
  }
  auto download = Open(ui::MessageBoxSkin(MSG_DOWN));
  ASSERT_TRUE(download);
  for (const std::string& problem : textfit::Problems(*download)) ADD_FAILURE() << problem;
}

}  // namespace
