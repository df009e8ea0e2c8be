// The shipped layouts: each reads cleanly, holds the controls the windows look
// up with their kinds and sizes, names only pictures the archive has at both
// scales, and every licence fits the panel height its language is given.
#include "SkinArchive.h"

#include "toolkit/ControlText.h"
#include "toolkit/ImageAttribute.h"
#include "toolkit/SkinValues.h"
#include "ui/LanguageTable.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <vector>

namespace {

class ShippedSkin : public SkinArchive {};

const char* const kLayouts[] = {"InstallMainWnd.xml", "MessageBox.xml", "MessageBox_down.xml", "skin\\transWnd.xml"};

void Walk(const cwui::Control& c, const std::function<void(const cwui::Control&)>& visit) {
  visit(c);
  for (const auto& child : c.children()) Walk(*child, visit);
}

struct Expected {
  const char* name;
  const char* kind;
  int width, height;  // as laid out; 0: not checked
};

struct PageState {
  const char* layout;
  std::vector<std::pair<const char*, int>> selects;  // tab layout, item
  std::vector<Expected> controls;
  std::vector<const char*> shown = {};  // controls the window shows in that state
};

TEST_F(ShippedSkin, WindowsHoldTheirControlsWithTheirKindsAndSizes) {
  const PageState states[] = {
      {"InstallMainWnd.xml",
       {},
       {{"main_tablayout", "tablayout", 650, 560}, {"backgroudlayout", "verticallayout", 650, 360},
        {"minbtn", "button", 20, 20}, {"closebtn", "button", 20, 20}, {"text_product_name", "label", 0, 0},
        {"page_layout", "tablayout", 0, 0}, {"install_btn", "button", 200, 40},
        {"license_checkbox", "checkbox", 0, 0}, {"license_link", "text", 0, 0}, {"install_setting", "button", 0, 0},
        {"set_layout", "tablayout", 650, 200}, {"select_language_text", "label", 0, 0},
        {"language_combox", "combo", 300, 28}, {"install_path_text", "label", 0, 0},
        {"install_file_path_edit", "edit", 470, 28}, {"browser_btn", "button", 110, 28},
        {"space_need", "label", 0, 0}, {"space_free", "label", 0, 0},
        {"agree_improvement_checkbox", "checkbox", 0, 0}, {"agree_improvement", "label", 0, 0},
        {"text_fail_retry", "label", 0, 0}, {"license_text_layout", "verticallayout", 0, 0},
        {"license_text", "richedit", 0, 0}}},
      {"InstallMainWnd.xml",
       {{"page_layout", 1}},
       {{"text_startshortcut", "label", 590, 100}, {"start_app", "button", 200, 40},
        {"img_warning", "control", 24, 24}, {"text_fail_advice", "text", 0, 0}},
       {"img_warning", "text_fail_advice"}},
      {"InstallMainWnd.xml",
       {{"main_tablayout", 1}},
       {{"image_play", "control", 648, 300}, {"image_play_option1", "option", 6, 6},
        {"image_play_option2", "option", 6, 6}, {"image_play_option3", "option", 6, 6},
        {"install_progress", "progress", 0, 6}, {"install_label", "label", 0, 0},
        {"install_minbtn", "button", 110, 28}}},
      {"MessageBox.xml",
       {},
       {{"closebtn", "button", 20, 20}, {"minbtn", "button", 0, 0}, {"iconimage", "control", 40, 40},
        {"msg_describe", "text", 360, 90}, {"msg_question", "label", 0, 0}, {"btn_yes", "button", 160, 28},
        {"btn_no", "button", 160, 28}}},
      {"MessageBox_down.xml", {}, {{"msg_describe", "text", 0, 0}, {"btn_yes", "button", 160, 28}, {"btn_no", "button", 0, 0}}},
      {"skin\\transWnd.xml",
       {},
       {{"foreImage", "verticallayout", 320, 320}, {"logo_running", "control", 64, 64}, {"version", "label", 200, 0}}},
  };
  for (const PageState& state : states) {
    SCOPED_TRACE(state.layout);
    auto window = Open(state.layout);
    if (!window) continue;
    for (const auto& [tab, item] : state.selects) window->selectItem(*window->find(tab), item);
    for (const char* name : state.shown) window->setVisible(*window->find(name), true);
    for (const Expected& e : state.controls) {
      const cwui::Control* c = window->find(e.name);
      if (c == nullptr) {
        ADD_FAILURE() << "no " << e.name;
        continue;
      }
      EXPECT_EQ(c->kind(), e.kind) << e.name;
      if (e.width > 0) {
        EXPECT_EQ(c->rect.width(), e.width) << e.name;
      }
      if (e.height > 0) {
        EXPECT_EQ(c->rect.height(), e.height) << e.name;
      }
    }
  }
}

TEST_F(ShippedSkin, MainWindowKeepsTheDetailsTheWindowReliesOn) {
  auto window = Open("InstallMainWnd.xml");
  ASSERT_TRUE(window);
  const cwui::Skin& skin = window->skin();
  EXPECT_EQ(skin.size.cx, 650);
  EXPECT_EQ(skin.size.cy, 560);
  EXPECT_EQ(skin.caption.bottom, 310);
  EXPECT_EQ(skin.roundCorner.cx, 2);
  EXPECT_EQ(skin.windowAttributes.at("linkfontcolor"), "#ff28bf74");
  EXPECT_EQ(skin.windowAttributes.at("linkhoverfontcolor"), "#ffe18407");
  // Twenty languages in the order of their values, the last four hidden.
  const cwui::Control* combo = window->find("language_combox");
  ASSERT_EQ(combo->children().size(), 20u);
  for (std::size_t i = 0; i < 20; ++i) EXPECT_EQ(combo->children()[i]->visible, i < 16) << i;
  EXPECT_EQ(combo->children()[8]->text(), " العربية");
  EXPECT_EQ(combo->attribute("dropboxsize"), "300,300");
  // Ten hidden caption carriers; the dots form one group.
  for (int k = 1; k <= 10; ++k) {
    const cwui::Control* label = window->find("anima_text_" + std::to_string(k));
    ASSERT_NE(label, nullptr) << k;
    EXPECT_FALSE(label->visible) << k;
  }
  EXPECT_EQ(window->find("image_play_option4"), nullptr);
  EXPECT_EQ(window->find("image_play_option1")->group, window->find("image_play_option3")->group);
  EXPECT_FALSE(window->find("text_fail_retry")->visible);
  EXPECT_EQ(window->find("install_setting")->attribute("font"), "16");
  // The one font list, 0 to 27, with the bold Korean and Japanese faces the caption texts ask for.
  std::map<int, cwui::FontSpec> fonts;
  for (const cwui::FontSpec& font : skin.fonts) fonts[font.id] = font;
  EXPECT_EQ(fonts.size(), 28u);
  EXPECT_EQ(fonts.rbegin()->first, 27);
  EXPECT_TRUE(fonts[25].face == "batang" && fonts[25].bold && fonts[26].face == "Meiryo UI" && fonts[26].bold);
  // The licences and the product configuration sit in the never-shown item.
  for (int language = 0; language < kEnumLanguageCount; ++language) {
    const cwui::Control* licence = window->find(ui::FindLanguage(language)->licenceControl);
    ASSERT_NE(licence, nullptr) << language;
    EXPECT_EQ(licence->kind(), "richedit");
  }
  for (const char* key : {"Downloader_id", "Site_id", "Language_id", "Gif_duration", "NeedStart_flag", "ChooseLicense",
                          "admin_flag", "Software_name", "MainPid", "ProductSize"}) {
    EXPECT_NE(window->find(key), nullptr) << key;
  }
}

TEST_F(ShippedSkin, EveryPictureIsInTheArchiveAtBothScales) {
  static const char* const kPictureAttributes[] = {
      "bkimage",       "normalimage",   "hotimage",         "pushedimage", "focusedimage", "disabledimage",
      "foreimage",     "hotforeimage",  "selectedimage",    "selectedhotimage"};
  std::set<std::string> pictures = {"skin\\backgroud_complete.png", "skin\\message_help.png",
                                    "skin\\message_exclamation.png"};
  for (int k = 1; k <= 3; ++k) pictures.insert("skin\\anima\\" + std::to_string(k) + ".png");
  for (int k = 0; k <= 13; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "skin/gif/bg%02d.png", k);
    pictures.insert(name);
  }
  for (const char* layout : kLayouts) {
    auto window = Open(layout);
    if (!window) continue;
    Walk(*window->skin().root, [&](const cwui::Control& c) {
      for (const char* attribute : kPictureAttributes) {
        if (!c.attribute(attribute).empty()) pictures.insert(cwui::ParseImageAttribute(c.attribute(attribute)).file);
      }
    });
  }
  for (const std::string& picture : pictures) {
    EXPECT_TRUE(s_archive.Contains(picture)) << picture;
    const std::size_t dot = picture.rfind('.');
    EXPECT_TRUE(s_archive.Contains(picture.substr(0, dot) + "@2x" + picture.substr(dot))) << picture << " at 2x";
  }
}

TEST_F(ShippedSkin, EveryLicenceFitsItsPanel) {
  auto window = Open("InstallMainWnd.xml");
  ASSERT_TRUE(window);
  window->selectItem(*window->find("set_layout"), 0);
  cwui::Control* text = window->find("license_text");
  for (int language = 0; language < kEnumLanguageCount; ++language) {
    const std::string licence = window->find(ui::FindLanguage(language)->licenceControl)->text();
    SCOPED_TRACE(ui::FindLanguage(language)->licenceControl);
    EXPECT_GT(licence.size(), 1000u);
    window->setText(*text, licence);
    cwui::ControlText laid(*window, *text);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(laid.layout(), nullptr, &logical);
    EXPECT_LE(logical.height, ui::LicencePanelHeight(language, 61));
    EXPECT_EQ(cwui::MissingGlyphs(laid.layout()), 0);
  }
}

}  // namespace
