// The twenty language files of the embedded archive: each reads, holds every
// key the windows ask for, keeps the one conversion of each format string,
// uses only markup the toolkit understands, and shows with real glyphs in
// its language's face.
#include "SkinArchive.h"

#include "toolkit/Markup.h"
#include "ui/FormatText.h"
#include "ui/LanguageTable.h"

#include <pango/pangocairo.h>

#include <set>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kInstallKeys = {
    "select_language_text", "install_btn", "install_setting", "license_link", "browser_btn", "space_need",
    "space_free", "install_label", "install_path_text", "install_minbtn", "install_closebtn", "finish_label",
    "start_app", "agree_improvement", "extra_text", "text_fail_retry", "retry_btn", "text_fail_advice",
    "anima_text_1", "anima_text_2", "anima_text_3", "anima_text_4", "anima_text_5", "anima_text_6",
    "anima_text_7", "anima_text_8", "anima_text_9", "anima_text_10"};
const std::vector<std::string> kMessageKeys = {
    "ClickShortcutToLaunchText", "FinshDesText", "FinshQueText", "ReplaceDesText", "ReplaceQueText",
    "CancelDesText", "CancelQueText", "AppExistDesText", "AppExistQueText", "PathErrorDesText",
    "PathErrorQueText", "YesText", "NoText", "ReplaceText", "CancelText", "InstallRunTimeOutDesText",
    "InstallRunTimeOutQueText", "MD5FailDesText", "MD5FailQueText", "UrlFailDexText", "UrlFailQueText",
    "InternetFailDesText", "InternetFailQueText", "InternetTimeoutDesText", "InternetTimeoutQueText",
    "ConfirmText", "NoEnoughSpaceDesText", "OkButtonText", "NotSupportSystemDesText", "AgreeDesText",
    "AgreeInstallText", "NotAgreeText"};

int MissingGlyphs(const std::string& text, const char* face) {
  PangoContext* context = cwui::FontMap::CreateContext();
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* font = pango_font_description_from_string(face);
  pango_font_description_set_absolute_size(font, 14 * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  const int missing = cwui::MissingGlyphs(layout);
  pango_font_description_free(font);
  g_object_unref(layout);
  g_object_unref(context);
  return missing;
}

class LanguageFiles : public SkinArchive {};

TEST_F(LanguageFiles, EveryLanguageHasEveryKeyInMarkupThatShows) {
  const std::map<std::string, std::vector<std::string>> formats = {
      {"install_label", {"%0.f"}}, {"space_free", {"%.1f"}}, {"space_need", {"%s"}}};
  for (int value = 0; value < kEnumLanguageCount; ++value) {
    const ui::LanguageEntry& language = *ui::FindLanguage(value);
    SCOPED_TRACE(language.file);
    const auto xml = s_archive.Read(ui::LanguageFilePath(value));
    std::string error;
    const auto skin = xml ? cwui::ReadSkin(*xml, {}, &error) : std::nullopt;
    if (!skin) {
      ADD_FAILURE() << (xml ? error : "not in the archive");
      continue;
    }
    EXPECT_EQ(error, "");
    for (const auto& [page, keys] : {std::pair{"install_page", &kInstallKeys}, {"message_page", &kMessageKeys}}) {
      const cwui::Control* container = skin->find(page);
      if (container == nullptr) {
        ADD_FAILURE() << "no " << page;
        continue;
      }
      std::set<std::string> present;
      for (const auto& label : container->children()) present.insert(label->name());
      for (const std::string& key : *keys) {
        if (!present.count(key)) {
          ADD_FAILURE() << page << " lacks " << key;
          continue;
        }
        const std::string text = skin->find(key)->text();
        const auto wanted = formats.find(key);
        EXPECT_EQ(ui::Conversions(text), wanted == formats.end() ? std::vector<std::string>{} : wanted->second)
            << key << ": " << text;
        // Every tag is one the toolkit reads: nothing of the markup is left to show.
        const std::string shown = cwui::ParseMarkup(text).text;
        EXPECT_EQ(shown.find_first_of("{}"), std::string::npos) << key << ": " << text;
        EXPECT_EQ(MissingGlyphs(shown, language.captionFace), 0) << key << ": " << shown;
      }
    }
  }
}

}  // namespace
