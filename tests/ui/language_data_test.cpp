// The windows' language data: format strings filled safely, language files
// read defensively, and texts put into windows as the windows expect.
#include "toolkit/Window.h"
#include "ui/ApplyLanguage.h"
#include "ui/FormatText.h"
#include "ui/LanguageTable.h"
#include "EnumMsgType.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatText, FillsTheOneConversionAndLeavesAnyOtherFormatAsItStands) {
  struct Case {
    const char* format;
    double value;
    const char* expected;
  } cases[] = {
      {"Installing... %0.f%%", 42.4, "Installing... 42%"},
      {"%0.f%% {c #8372FF}done{/c}", 100, "100% {c #8372FF}done{/c}"},
      {"Space available : %.1fGB", 12.345, "Space available : 12.3GB"},
      {"no conversion", 1, "no conversion"},
      {"two %f and %f", 1, "two %f and %f"},
      {"a string %s", 1, "a string %s"},        // would read a pointer
      {"an int %d", 1, "an int %d"},            // the wrong type for a double
      {"huge %999999.1f", 1, "huge %999999.1f"},  // bounded width
      {"trailing %", 1, "trailing %"},
  };
  for (const Case& c : cases) EXPECT_EQ(ui::FormatNumber(c.format, c.value), c.expected) << c.format;
  EXPECT_EQ(ui::FormatString("Space required: %s", "180 MB"), "Space required: 180 MB");
  EXPECT_EQ(ui::FormatString("%s of %s", "x"), "%s of %s");
  EXPECT_EQ(ui::FormatString("%.1f", "x"), "%.1f");
  EXPECT_EQ(ui::FormatString("%.2s", "x"), "%.2s");
  EXPECT_EQ(ui::Conversions("100%% %s and %.1fGB, %d"), (std::vector<std::string>{"%s", "%.1f", "%d"}));
}

TEST(LanguageFile, ReadsItsPagesAndRefusesWhatIsNotOne) {
  const std::string file =
      "<VerticalLayout><VerticalLayout>"
      "<VerticalLayout name=\"install_page\"><Label name=\"a\" text=\"A\"/><Label name=\"b\"/>"
      "<Control name=\"c\" text=\"not a label\"/></VerticalLayout>"
      "<VerticalLayout name=\"message_page\"><Label name=\"YesText\" text=\"Yes\"/></VerticalLayout>"
      "</VerticalLayout></VerticalLayout>";
  const auto page = ui::ReadLanguagePage(file, "install_page");
  ASSERT_TRUE(page);
  ASSERT_EQ(page->labels.size(), 2u);
  EXPECT_EQ(*page->find("a"), "A");
  EXPECT_EQ(*page->find("b"), "");
  EXPECT_EQ(page->find("c"), nullptr);
  EXPECT_EQ(*ui::ReadLanguagePage(file, "message_page")->find("YesText"), "Yes");
  EXPECT_TRUE(ui::ReadLanguagePage(file, "other_page")->labels.empty());
  EXPECT_FALSE(ui::ReadLanguagePage("<VerticalLayout>", "install_page"));
  EXPECT_FALSE(ui::ReadLanguagePage(std::string(2 << 20, ' '), "install_page"));
}

TEST(LanguageTable, PanelHeightsFollowTheLanguageAndSite) {
  EXPECT_EQ(ui::LicencePanelHeight(English, 61), 1540);
  EXPECT_EQ(ui::LicencePanelHeight(Chinese, 61), 1265);
  EXPECT_EQ(ui::LicencePanelHeight(Chinese, 93), 2070);
  EXPECT_EQ(ui::LicencePanelHeight(ChineseTrad, 93), 1265);
  EXPECT_EQ(ui::LicencePanelHeight(20, 61), 1935);
  EXPECT_EQ(ui::LicencePanelHeight(-1, 61), 1935);
  EXPECT_EQ(ui::LanguageFilePath(Nederlands), "language\\language_nederland.xml");
  EXPECT_EQ(ui::LanguageFilePath(20), "");
}

std::unique_ptr<cwui::Window> BoxWindow() {
  std::string error;
  auto skin = cwui::ReadSkin(
      "<Window size=\"500,190\"><VerticalLayout><Control name=\"iconimage\"/><Text name=\"msg_describe\" text=\"skin\"/>"
      "<Label name=\"msg_question\"/><Button name=\"btn_yes\"/><Button name=\"btn_no\"/></VerticalLayout></Window>",
      {}, &error);
  return std::make_unique<cwui::Window>(std::move(*skin));
}

TEST(ApplyLanguage, MessageBoxTakesItsTypesTextsAndHidesTheSecondButtonWhereThereIsNoChoice) {
  ui::LanguagePage page;
  page.labels = {{"CancelDesText", "Cancel?"}, {"CancelQueText", "Sure?"}, {"YesText", "Yes"}, {"NoText", "No"},
                 {"OkButtonText", "OK"}, {"NoEnoughSpaceDesText", "Full"}};
  auto cancel = BoxWindow();
  ui::ApplyMessageBox(*cancel, page, MSG_CANCEL);
  EXPECT_EQ(cancel->find("msg_describe")->text(), "Cancel?");
  EXPECT_EQ(cancel->find("btn_no")->text(), "No");
  EXPECT_TRUE(cancel->find("btn_no")->visible);
  EXPECT_EQ(cancel->find("iconimage")->attribute("bkimage"), "skin\\message_help.png");

  auto space = BoxWindow();
  ui::ApplyMessageBox(*space, page, MSG_NOENOUGHSPACE);
  EXPECT_EQ(space->find("msg_describe")->text(), "Full");
  EXPECT_EQ(space->find("msg_question")->text(), "");
  EXPECT_FALSE(space->find("btn_no")->visible);

  // A running product keeps the skin's description when the language has none.
  auto running = BoxWindow();
  ui::ApplyMessageBox(*running, page, MSG_APPEXIST);
  EXPECT_EQ(running->find("msg_describe")->text(), "skin");
  EXPECT_EQ(running->find("btn_yes")->text(), "OK");

  // The download box is the skin's own.
  auto download = BoxWindow();
  ui::ApplyMessageBox(*download, page, MSG_DOWN);
  EXPECT_EQ(download->find("msg_describe")->text(), "skin");
}

TEST(ApplyLanguage, InstallPageSetsNamedControlsAndTheFirstOfTwoLabelsWins) {
  std::string error;
  auto skin = cwui::ReadSkin("<Window><Label name=\"install_btn\" text=\"skin\"/><Label name=\"other\" text=\"kept\"/></Window>",
                             {}, &error);
  cwui::Window window(std::move(*skin));
  ui::LanguagePage page;
  page.labels = {{"install_btn", "first"}, {"install_label", "%0.f%%"}, {"install_btn", "second"}, {"unknown", "x"}};
  ui::InstallFormats formats;
  formats.spaceFree = "previous";
  ui::ApplyInstallPage(window, page, formats);
  EXPECT_EQ(window.find("install_btn")->text(), "first");
  EXPECT_EQ(window.find("other")->text(), "kept");
  EXPECT_EQ(formats.installLabel, "%0.f%%");
  EXPECT_EQ(formats.spaceFree, "previous");
}

}  // namespace
