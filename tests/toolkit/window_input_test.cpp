// Pointer and keyboard on a laid-out window: clicks, hot and pushed states,
// option groups and check boxes with their notifications in order, the focus
// order, combos and their drop box, edits, rich edit scrolling and links.
#include "toolkit/ControlText.h"
#include "toolkit/Window.h"

#include <gtest/gtest.h>
#include <pango/pango.h>

#include <optional>

namespace {

constexpr const char* kSkin = R"(<Window size="300,200">
  <VerticalLayout>
    <HorizontalLayout height="40">
      <Button name="ok" width="100"/><Button name="off" width="100" enabled="false"/><Button name="cancel" width="100"/>
    </HorizontalLayout>
    <HorizontalLayout height="40">
      <Option name="o1" group="dots" width="50"/><Option name="o2" group="dots" width="50" selected="true"/>
      <Option name="o3" group="dots" width="50" selected="true"/><CheckBox name="agree" width="50"/>
      <Button name="hidden" width="50" visible="false"/>
    </HorizontalLayout>
    <Control height="100"><Button name="under"/><Button name="over" float="true" pos="10,10,60,40"/></Control>
  </VerticalLayout>
</Window>)";

class WindowInput : public ::testing::Test {
 protected:
  WindowInput() : window(*cwui::ReadSkin(kSkin, {})) {
    window.setNotifier([this](const cwui::Notification& n) { seen.push_back(n.type + ":" + n.sender->name()); });
  }
  void Click(int x, int y) {
    window.pointerPress(x, y);
    window.pointerRelease(x, y);
  }
  bool Selected(const char* name) { return window.find(name)->selected; }

  cwui::Window window;
  std::vector<std::string> seen;
};

TEST_F(WindowInput, ClicksAndTheirStates) {
  window.pointerMove(50, 20);
  EXPECT_TRUE(window.find("ok")->hot);
  window.pointerPress(50, 20);
  EXPECT_TRUE(window.find("ok")->pushed);
  window.pointerMove(250, 20);  // dragged off: not pushed, and the release is no click
  EXPECT_FALSE(window.find("ok")->pushed);
  window.pointerRelease(250, 20);
  Click(150, 20);   // disabled
  Click(50, 20);
  Click(30, 100);   // the floating button lies over the one below
  Click(200, 150);  // the one below, outside the floating one
  EXPECT_EQ(seen, (std::vector<std::string>{"setfocus:ok", "click:ok", "setfocus:over", "click:over",
                                            "setfocus:under", "click:under"}));
}

TEST_F(WindowInput, OptionGroupsSelectOneAndCheckBoxesToggle) {
  EXPECT_FALSE(Selected("o2"));  // the later selected option of the group wins
  EXPECT_TRUE(Selected("o3"));
  window.setNotifier([this](const cwui::Notification& n) {
    if (n.type != "setfocus") seen.push_back(n.type + ":" + n.sender->name());
  });
  Click(25, 60);   // o1
  Click(25, 60);   // again: stays selected, no change
  Click(175, 60);  // the check box, twice
  Click(175, 60);
  EXPECT_TRUE(Selected("o1"));
  EXPECT_FALSE(Selected("o3"));
  EXPECT_FALSE(Selected("agree"));
  EXPECT_EQ(seen, (std::vector<std::string>{"click:o1", "selectchanged:o1", "click:o1", "click:agree",
                                            "selectchanged:agree", "click:agree", "selectchanged:agree"}));
}

TEST_F(WindowInput, TabMovesInVisualOrderAndSpacePresses) {
  std::vector<std::string> order;
  for (int i = 0; i < 9; ++i) {
    window.focusNext();
    order.push_back(window.focused()->name());
  }
  // Disabled and hidden controls are skipped; the floating button sits above the one it covers.
  EXPECT_EQ(order, (std::vector<std::string>{"ok", "cancel", "o1", "o2", "o3", "agree", "under", "over", "ok"}));
  window.focusNext(true);
  EXPECT_EQ(window.focused()->name(), "over");
  window.focusNext(true);
  window.focusNext(true);
  window.focusNext(true);
  EXPECT_EQ(window.focused()->name(), "o3");
  window.pressFocused();
  EXPECT_TRUE(Selected("o3"));
  window.focusNext(true);
  window.pressFocused();
  EXPECT_TRUE(Selected("o2"));
  EXPECT_FALSE(Selected("o3"));
}

// 300 x 200: a combo (item 1 hidden) and three edits on top, a rich edit, a
// text with two links, and a combo at the bottom edge.
constexpr const char* kControls = R"(<Window size="300,200">
  <VerticalLayout>
    <HorizontalLayout height="30">
      <Combo name="lang" width="120" dropboxsize="0,100">
        <ListLabelElement text="a"/><ListLabelElement text="b" visible="false"/><ListLabelElement text="c"/>
        <ListLabelElement text="d"/><ListLabelElement text="e"/><ListLabelElement text="f"/>
      </Combo>
      <Edit name="short" width="60" maxchar="3"/><Edit name="port" width="60" numberonly="true"/>
      <Edit name="ro" width="60" readonly="true" text="x"/>
    </HorizontalLayout>
    <RichEdit name="licence" height="60" textpadding="0,4,0,4"/>
    <Text name="more" height="30" showhtml="true" text="See {a https://example.com/terms}terms{/a} or {a}help{/a}"/>
    <Control/>
    <HorizontalLayout height="30"><Combo name="low" width="100"><ListLabelElement text="x"/></Combo></HorizontalLayout>
  </VerticalLayout>
</Window>)";

class WindowControls : public ::testing::Test {
 protected:
  WindowControls() : window(*cwui::ReadSkin(kControls, {})) {
    window.setNotifier([this](const cwui::Notification& n) {
      if (n.type == "itemselect") {
        seen.push_back("itemselect:" + std::to_string(n.newIndex) + "/" + std::to_string(n.oldIndex));
      } else if (n.type == "link") {
        seen.push_back("link:" + n.link);
      } else if (n.type != "setfocus") {
        seen.push_back(n.type);
      }
    });
  }
  void Click(int x, int y) {
    window.pointerPress(x, y);
    window.pointerRelease(x, y);
  }
  std::vector<int> Shown() const {
    std::vector<int> items;
    for (const auto& item : window.dropBox().items) items.push_back(item.index);
    return items;
  }

  cwui::Window window;
  std::vector<std::string> seen;
};

TEST_F(WindowControls, ComboOpensChoosesAndClosesSkippingHiddenItems) {
  using cwui::Key;
  cwui::Control& lang = *window.find("lang");
  Click(60, 15);
  ASSERT_EQ(window.dropBox().combo, &lang);
  EXPECT_EQ(window.dropBox().rect, (cwui::Rect{0, 30, 120, 130}));
  EXPECT_EQ(Shown(), (std::vector<int>{0, 2, 3, 4}));  // four whole 24 px items fit in 100
  window.pointerMove(60, 60);                           // over the second shown item
  EXPECT_EQ(window.dropBox().hot, 2);
  EXPECT_FALSE(window.find("licence")->hot);          // the box is over it and takes the pointer
  Click(60, 60);
  EXPECT_EQ(window.dropBox().combo, nullptr);
  EXPECT_EQ(lang.text(), "c");

  EXPECT_TRUE(window.keyPress(Key::Return));  // opens, on the chosen item
  EXPECT_EQ(window.dropBox().hot, 2);
  for (Key key : {Key::Up, Key::Down, Key::Down, Key::Down, Key::Down}) EXPECT_TRUE(window.keyPress(key));
  EXPECT_EQ(window.dropBox().hot, 5);
  EXPECT_EQ(Shown(), (std::vector<int>{2, 3, 4, 5}));  // scrolled to keep it in view
  EXPECT_TRUE(window.keyPress(Key::Return));

  Click(60, 15);
  Click(250, 180);  // outside: closes, no change
  EXPECT_EQ(window.dropBox().combo, nullptr);
  Click(60, 15);
  EXPECT_TRUE(window.keyPress(Key::Escape));
  EXPECT_FALSE(window.keyPress(Key::Escape));

  // Closed: the keys choose directly; no move at an end.
  const std::pair<Key, bool> keys[] = {{Key::Up, true}, {Key::Home, true}, {Key::Up, false}, {Key::Down, true},
                                       {Key::End, true}, {Key::Down, false}};
  for (const auto& [key, moves] : keys) EXPECT_EQ(window.keyPress(key), moves);
  EXPECT_EQ(seen, (std::vector<std::string>{"itemselect:2/-1", "itemselect:5/2", "itemselect:4/5", "itemselect:0/4",
                                            "itemselect:2/0", "itemselect:5/2"}));
}

TEST_F(WindowControls, DropBoxGoesBelowOrAboveAndStaysInTheWindow) {
  const struct { const char* combo; const char* size; cwui::Rect rect; } cases[] = {
      {"lang", "0,100", {0, 30, 120, 130}},
      {"low", "", {0, 20, 100, 170}},        // no room below: above
      {"low", "350,300", {0, 0, 300, 170}},  // room nowhere: the larger side, clipped
      {"lang", "200,50", {0, 30, 200, 80}},
  };
  for (const auto& c : cases) {
    cwui::Control& combo = *window.find(c.combo);
    combo.setAttribute("dropboxsize", c.size);
    window.openDropBox(combo);
    EXPECT_EQ(window.dropBox().rect, c.rect) << c.combo << " " << c.size;
    window.closeDropBox();
  }
}

TEST_F(WindowControls, EditsTakeTextWithinTheirBounds) {
  using cwui::Key;
  struct Step { std::optional<Key> key; std::string text; bool shift = false; };
  const struct {
    const char* edit;
    const char* initial;
    std::vector<Step> steps;
    const char* text;
    std::vector<std::string> seen;
  } cases[] = {
      {"short", "", {{{}, "n\xC3\xA9"}, {{}, "\xE6\x97\xA5\xE6\x9C\xAC"}, {{}, "z"}}, "n\xC3\xA9\xE6\x97\xA5",
       {"textchanged", "textchanged"}},  // three characters, six bytes
      {"port", "", {{{}, "12"}, {{}, "3a"}, {{}, "4"}}, "124", {"textchanged", "textchanged"}},
      {"short", "", {{{}, "\xC3"}, {{}, "a\xFF"}, {{}, "\xE6\x97"}, {{}, "a\n"}}, "", {}},  // refused whole
      {"ro", "x", {{{}, "y"}, {Key::Backspace, ""}}, "x", {}},
      {"short", "", {{{}, "a\xC3\xA9"}, {Key::Left, "", true}, {Key::Left, ""}, {Key::Backspace, ""}, {Key::End, ""},
                     {Key::Backspace, ""}, {{}, "a"}, {Key::Return, ""}},  // Left collapses the selection first
       "a", {"textchanged", "textchanged", "textchanged", "textchanged", "return"}},
  };
  for (const auto& c : cases) {
    seen.clear();
    cwui::Control& edit = *window.find(c.edit);
    window.setText(edit, c.initial);
    const cwui::Rect r = edit.rect;
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    EXPECT_EQ(window.focused(), &edit);
    for (const Step& step : c.steps) {
      if (step.key) {
        window.keyPress(*step.key, step.shift);
      } else {
        window.textInput(step.text);
      }
    }
    EXPECT_EQ(edit.text(), c.text) << c.edit;
    EXPECT_EQ(seen, c.seen) << c.edit;
  }
}

TEST_F(WindowControls, RichEditScrollsWithinItsText) {
  using cwui::Key;
  cwui::Control& licence = *window.find("licence");
  std::string text;
  for (int i = 0; i < 30; ++i) text += "line\n";
  window.setText(licence, text);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(cwui::ControlText(window, licence).layout(), &width, &height);
  const int most = height + 8 - 60;  // the text and its padding, less the view
  ASSERT_GT(most, 60);
  window.setFocus(&licence);
  const struct { int wheel; std::optional<Key> key; int scrollY; } steps[] = {
      {1, {}, 60}, {-5, {}, 0}, {1000, {}, most}, {0, Key::PageDown, most}, {0, Key::Up, most - 20},
      {0, Key::Home, 0}, {2, {}, 120}};
  for (const auto& step : steps) {
    if (step.key) {
      window.keyPress(*step.key);
    } else {
      window.wheel(10, 50, step.wheel);
    }
    EXPECT_EQ(licence.scrollY, step.scrollY);
  }
  window.setText(licence, "short");
  EXPECT_EQ(licence.scrollY, 0);
  window.wheel(10, 50, 1);
  EXPECT_EQ(licence.scrollY, 0);
}

TEST_F(WindowControls, LinksTakeThePointerAndSendTheirTargets) {
  cwui::Control& more = *window.find("more");
  const auto linkPoint = [&](int link) {
    const cwui::ControlText text(window, more);
    PangoRectangle pos{};
    pango_layout_index_to_pos(text.layout(), static_cast<int>(text.markup().links[link].start) + 1, &pos);
    return std::pair{text.x() + (pos.x + pos.width / 2) / PANGO_SCALE,
                     text.y() + (pos.y + pos.height / 2) / PANGO_SCALE};
  };
  const auto [x0, y0] = linkPoint(0);
  const auto [x1, y1] = linkPoint(1);
  window.pointerMove(x1, y1);
  EXPECT_EQ(more.hotLink, 1);
  window.pointerMove(x0, y0);
  EXPECT_EQ(more.hotLink, 0);
  window.pointerMove(more.rect.left + 1, y0);  // "See": no link, not taken
  EXPECT_EQ(more.hotLink, -1);
  EXPECT_EQ(window.hitTest(more.rect.left + 1, y0), nullptr);
  Click(x0, y0);
  Click(x1, y1);
  window.pointerPress(x0, y0);  // pressed on one link, released on the other
  window.pointerRelease(x1, y1);
  EXPECT_EQ(seen, (std::vector<std::string>{"link:https://example.com/terms", "link:1"}));
}

// A vertical layout with vscrollbar: the wheel moves what it holds, within
// what there is, and only what it shows takes the pointer.
TEST(ScrollingLayout, WheelMovesItsContentWithinItsHeight) {
  cwui::Window window(*cwui::ReadSkin(
      "<Window size=\"200,200\"><VerticalLayout><VerticalLayout name=\"panel\" height=\"100\" vscrollbar=\"true\">"
      "<Button name=\"tall\" height=\"300\"/></VerticalLayout><Button name=\"below\"/></VerticalLayout></Window>",
      {}));
  window.layout();
  cwui::Control& tall = *window.find("tall");
  const struct { int steps, scrollY; } wheels[] = {{1, 60}, {1000, 200}, {-1, 140}, {-1000, 0}};
  for (const auto& w : wheels) {
    window.wheel(10, 50, w.steps);
    EXPECT_EQ(window.find("panel")->scrollY, w.scrollY) << w.steps;
    EXPECT_EQ(tall.rect.top, -w.scrollY);
  }
  EXPECT_EQ(window.hitTest(10, 150), window.find("below"));
}

}  // namespace
