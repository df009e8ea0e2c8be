// Pointer and keyboard on a laid-out window: clicks, hot and pushed states,
// option groups and check boxes with their notifications in order, and the
// focus order.
#include "toolkit/Window.h"

#include <gtest/gtest.h>

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

}  // namespace
