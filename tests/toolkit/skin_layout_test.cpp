// Layout geometry from small skins: stretch, min/max, padding and inset,
// child padding, float, hidden controls, tab layouts, Include and Default.
#include "toolkit/Layout.h"
#include "toolkit/Skin.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using cwui::Rect;

struct Case {
  const char* what;
  std::string xml;
  std::map<std::string, Rect> expected;
};

const std::map<std::string, std::string> kIncludes = {
    {"page.xml", R"(<Window><Font id="3" name="Meiryo UI" size="15"/><Default name="Button" value="height=&quot;30&quot;"/>
                    <Button name="inc"/></Window>)"},
    {"self.xml", R"(<Window><Include source="self.xml"/></Window>)"},
    {"fan.xml", R"(<Window><Include source="leaf.xml" count="64"/></Window>)"},
    {"leaf.xml", R"(<Window/>)"},
};

std::optional<std::string> FromIncludes(const std::string& path) {
  const auto it = kIncludes.find(path);
  return it == kIncludes.end() ? std::nullopt : std::optional<std::string>(it->second);
}

TEST(SkinLayout, ControlsLandWhereTheSkinSays) {
  const Case cases[] = {
      {"stretch shares the rest, the last takes the remainder",
       R"(<Window size="100,101"><VerticalLayout><Control name="a" height="20"/><Control name="b"/><Control name="c"/></VerticalLayout></Window>)",
       {{"a", {0, 0, 100, 20}}, {"b", {0, 20, 100, 60}}, {"c", {0, 60, 100, 101}}}},
      {"min and max clamp a sharer, the others share again",
       R"(<Window size="300,50"><HorizontalLayout><Control name="a" maxwidth="50"/><Control name="b"/><Control name="c" minwidth="200"/></HorizontalLayout></Window>)",
       {{"a", {0, 0, 50, 50}}, {"b", {50, 0, 100, 50}}, {"c", {100, 0, 300, 50}}}},
      {"inset, padding and child padding",
       R"(<Window size="200,100"><VerticalLayout inset="10,5,10,5" childpadding="4"><Control name="a" height="20" padding="2,1,3,1"/><Control name="b" height="10" width="50"/></VerticalLayout></Window>)",
       {{"a", {12, 6, 187, 26}}, {"b", {10, 31, 60, 41}}}},
      {"floating controls sit at pos and take no room; hidden ones take none",
       R"(<Window size="200,100"><VerticalLayout><Control name="f" float="true" pos="10,20,40,30"/><Control name="h" height="50" visible="false"/><Control name="a" height="10"/></VerticalLayout></Window>)",
       {{"f", {10, 20, 40, 30}}, {"h", {}}, {"a", {0, 0, 200, 10}}}},
      {"a tab layout shows its selected item only",
       R"(<Window size="80,60"><TabLayout name="tabs" selectedid="1" inset="1,1,1,1"><Control name="p0"/><VerticalLayout name="p1"><Control name="in" height="5"/></VerticalLayout></TabLayout></Window>)",
       {{"p0", {}}, {"p1", {1, 1, 79, 59}}, {"in", {1, 1, 79, 6}}}},
      {"a fixed size in a plain container sits at the top-left",
       R"(<Window size="80,60"><Control><Button name="b" width="30" height="10" padding="5,5,0,0"/></Control></Window>)",
       {{"b", {5, 5, 35, 15}}}},
      {"Include builds into the parent with its defaults; an element's own attribute wins",
       R"(<Window size="100,100"><VerticalLayout><Include source="page.xml"/><Button name="own" height="12"/></VerticalLayout></Window>)",
       {{"inc", {0, 0, 100, 30}}, {"own", {0, 30, 100, 42}}}},
      {"a negative window size or insets wider than the control give empty rectangles",
       R"(<Window size="-50,20"><Control name="w"/></Window>)", {{"w", {0, 0, 0, 20}}}},
      {"", R"(<Window size="10,10"><VerticalLayout inset="8,8,8,8"><Control name="in"/></VerticalLayout></Window>)",
       {{"in", {8, 8, 8, 8}}}},
      {"more fixed than room leaves sharers empty, never negative",
       R"(<Window size="50,20"><HorizontalLayout><Control name="a" width="40"/><Control name="b" width="30"/><Control name="s"/></HorizontalLayout></Window>)",
       {{"a", {0, 0, 40, 20}}, {"b", {40, 0, 70, 20}}, {"s", {70, 0, 70, 20}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    auto skin = cwui::ReadSkin(c.xml, FromIncludes, &error);
    ASSERT_TRUE(skin.has_value()) << error;
    cwui::LayoutSkin(*skin);
    for (const auto& [name, rect] : c.expected) {
      const cwui::Control* control = skin->find(name);
      ASSERT_NE(control, nullptr) << name;
      EXPECT_EQ(control->rect, rect) << name << ": " << control->rect.left << "," << control->rect.top << ","
                                     << control->rect.right << "," << control->rect.bottom;
    }
  }
}

TEST(SkinLayout, WindowFontsAndBadInput) {
  std::string error;
  auto skin = cwui::ReadSkin(
      R"(<window size="650,560" caption="0,0,0,310" roundcorner="4,4" bktrans="true">
           <Font id="0" name="Microsoft YaHei" size="12" default="true"/><Font id="0" name="batang" size="14" bold="true"/>
           <Include source="page.xml"/><Include source="missing.xml"/><Blink/></window>)",
      FromIncludes, &error);
  ASSERT_TRUE(skin.has_value());
  EXPECT_EQ(skin->size, (cwui::Size{650, 560}));
  EXPECT_EQ(skin->caption, (Rect{0, 0, 0, 310}));
  EXPECT_TRUE(skin->transparent);
  ASSERT_EQ(skin->fonts.size(), 2u);  // a later font of the same id replaces the earlier one
  EXPECT_EQ(skin->fonts[0].face, "batang");
  EXPECT_TRUE(skin->fonts[0].bold);
  EXPECT_EQ(skin->fonts[1].id, 3);
  EXPECT_NE(error.find("include missing.xml not found"), std::string::npos) << error;
  EXPECT_NE(error.find("unknown element <Blink> skipped"), std::string::npos) << error;

  // An include of itself stops at the nesting bound, one that fans out at the
  // count of all includes; broken XML is refused.
  EXPECT_FALSE(cwui::ReadSkin(R"(<Window><Include source="self.xml"/></Window>)", FromIncludes, &error));
  EXPECT_NE(error.find("nested deeper"), std::string::npos) << error;
  EXPECT_FALSE(cwui::ReadSkin(R"(<Window><Include source="fan.xml" count="64"/></Window>)", FromIncludes, &error));
  EXPECT_NE(error.find("more than 256 includes"), std::string::npos) << error;
  EXPECT_FALSE(cwui::ReadSkin("<Window><Button></Window>", FromIncludes, &error));
}

TEST(SkinValues, RectanglesColoursAndDefaultLists) {
  EXPECT_EQ(cwui::ParseRect("1,2,3,4"), (Rect{1, 2, 3, 4}));
  EXPECT_EQ(cwui::ParseRect("1 2;3|-4"), (Rect{1, 2, 3, -4}));
  EXPECT_EQ(cwui::ParseRect("5,6"), (Rect{5, 6, 0, 0}));
  EXPECT_EQ(cwui::ParseRect("x"), (Rect{}));
  EXPECT_EQ(cwui::ParseRect("99999999999,1,2,3").left, cwui::kMaxSkinNumber);
  EXPECT_EQ(cwui::ParseColour("#FF102030"), 0xFF102030u);
  EXPECT_EQ(cwui::ParseColour("0xff000000"), 0xFF000000u);
  EXPECT_EQ(cwui::ParseColour("#FF0000"), 0x00FF0000u);  // no alpha given: alpha 0
  EXPECT_FALSE(cwui::ParseColour("red").has_value());
  EXPECT_FALSE(cwui::ParseColour("#1234567890").has_value());
  EXPECT_TRUE(cwui::ParseBool("true"));
  EXPECT_FALSE(cwui::ParseBool("TRUE"));
  const auto pairs = cwui::ParseAttributeList(R"(height="30" normalimage="file='a.png' corner='2,2,2,2'" bad)");
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[1].second, "file='a.png' corner='2,2,2,2'");
}

}  // namespace
