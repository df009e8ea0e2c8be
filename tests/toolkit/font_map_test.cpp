// The archive's font configuration: each skin face shows its language without
// boxes in the expected family; a bad configuration leaves the map in use.
#include "toolkit/FontMap.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <string>
#include <utility>

#include "support/TestSupport.h"

namespace {

void LoadArchiveConfiguration() {
  cwtest::TempDir cache;  // the scan's cache, not in the tester's own folder
  cwtest::ScopedEnv cacheHome("XDG_CACHE_HOME", cache.path());
  std::string error;
  ASSERT_TRUE(cwui::FontMap::Load(cwtest::ReadFile(CW_SOURCE_DIR "/resources/fonts/fonts.conf"), &error)) << error;
}

// The glyphs missing, and the family of the font of the first character's run.
std::pair<int, std::string> Show(const char* face, const char* text) {
  PangoContext* context = cwui::FontMap::CreateContext();
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* description = pango_font_description_from_string("12");
  pango_font_description_set_family(description, face);
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);
  pango_layout_set_text(layout, text, -1);
  std::pair<int, std::string> shown{cwui::MissingGlyphs(layout), ""};
  for (GSList* r = pango_layout_get_line_readonly(layout, 0)->runs; r != nullptr; r = r->next) {
    const PangoItem* item = static_cast<PangoGlyphItem*>(r->data)->item;
    if (item->offset != 0) continue;  // runs are in visual order
    PangoFontDescription* used = pango_font_describe(item->analysis.font);
    shown.second = pango_font_description_get_family(used);
    pango_font_description_free(used);
  }
  g_object_unref(layout);
  g_object_unref(context);
  return shown;
}

TEST(FontMap, SkinFacesShowEveryLanguageInTheMappedFamily) {
  LoadArchiveConfiguration();
  const char* const cases[][3] = {
      {"Microsoft YaHei", "Install now", "Noto Sans"},
      {"Microsoft YaHei", "立即安装", "Noto Sans CJK SC"},
      {"Microsoft YaHei", "立即安裝，請稍候", "Noto Sans CJK SC"},
      {"Microsoft YaHei", "अभी इंस्टॉल करें", "Noto Sans Devanagari"},
      {"Microsoft YaHei", "ติดตั้งเดี๋ยวนี้", "Noto Sans Thai"},
      // Accented Latin comes from Noto Sans with the rest of its word.
      {"Microsoft YaHei", "Şimdi yükle, ığüöç", "Noto Sans"},
      {"Microsoft YaHei", "Řídit instalaci ěščřžýáíůú", "Noto Sans"},
      {"Meiryo UI", "今すぐインストール", "Noto Sans CJK JP"},
      {"Batang", "지금 설치", "Noto Serif CJK KR"},
      {"Times New Roman", "Установить сейчас", "Liberation Serif"},
      {"Times New Roman", "تثبيت الآن", "Noto Naskh Arabic"},
      {"No Such Face", "立即安装", "Noto Sans CJK SC"},
  };
  for (const auto& [face, text, family] : cases) {
    EXPECT_EQ(Show(face, text), std::make_pair(0, std::string(family))) << face << ": " << text;
  }
}

TEST(FontMap, BadConfigurationIsRefusedAndTheMapStays) {
  using namespace std::string_literals;
  LoadArchiveConfiguration();
  PangoFontMap* inUse = cwui::FontMap::Get();
  const std::string bad[] = {"not a configuration", "<fontconfig><dir>/usr/share/fonts</dir>",
                             "<fontconfig><dir>/usr/share/fonts</dir></fontconfig>\0<"s,
                             "<fontconfig><dir>/nonexistent/fonts</dir></fontconfig>", std::string(2 << 20, ' ')};
  for (const std::string& text : bad) {
    std::string error;
    EXPECT_FALSE(cwui::FontMap::Load(text, &error)) << text.substr(0, 60);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(cwui::FontMap::Get(), inUse);
  }
  EXPECT_EQ(Show("Microsoft YaHei", "立即安装").first, 0);
}

}  // namespace
