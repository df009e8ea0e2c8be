// Modal runs on a host: the parent takes no input meanwhile, timers and
// posted messages keep arriving, Escape closes the box with its "no" answer,
// and the parent is back in front before the run returns.
#include "toolkit/HeadlessHost.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

cwui::Skin SmallSkin() { return *cwui::ReadSkin(R"(<Window size="100,50"><Button name="ok"/></Window>)", {}); }

TEST(Host, AModalBoxKeepsTheLoopGoingAndEndsWithItsAnswer) {
  constexpr int kNo = 7;
  struct Case {
    const char* name;
    bool escape;  // true: Escape ends the box, else close(3) from a posted message
    int expected;
  };
  for (const Case& c : {Case{"escape", true, kNo}, Case{"closed", false, 3}}) {
    SCOPED_TRACE(c.name);
    cwui::MessageLoop loop;
    cwui::Window mainWindow(SmallSkin()), boxWindow(SmallSkin());
    cwui::HeadlessHost main(mainWindow, loop), box(boxWindow, loop);
    box.setEscapeResult(kNo);
    int ticks = 0;
    bool parentBlocked = false;
    loop.setTimer(&main, 1, 1, [&] {
      if (++ticks < 3) return;  // the parent's timer keeps ticking under the box
      loop.killTimer(&main, 1);
      parentBlocked = !main.sensitive() && box.shown();
      // From another thread, as the install thread posts to the window.
      std::thread([&] {
        loop.post([&] {
          if (c.escape) {
            box.key(cwui::Key::Escape);
          } else {
            box.close(3);
          }
        });
      }).join();
    });
    EXPECT_EQ(box.runModal(&main), c.expected);
    EXPECT_TRUE(parentBlocked);
    EXPECT_TRUE(main.sensitive());
    EXPECT_EQ(main.raised(), 1);
    EXPECT_FALSE(box.shown());
    EXPECT_EQ(loop.depth(), 0);
  }
}

TEST(Host, EscapeOutsideAModalRunGoesToTheWindow) {
  cwui::MessageLoop loop;
  cwui::Window window(SmallSkin());
  cwui::HeadlessHost host(window, loop);
  host.show();
  host.key(cwui::Key::Escape);
  EXPECT_FALSE(host.closed());
  EXPECT_TRUE(host.shown());
}

}  // namespace

namespace {

TEST(Host, ChangesLayTheWindowOutAgainAndMarkItDirty) {
  cwui::MessageLoop loop;
  cwui::Window window(*cwui::ReadSkin(R"(<Window size="100,100"><VerticalLayout>
      <Control name="top" height="20"/><Control name="rest"/>
      <TabLayout name="tabs" height="30"><Control name="page0"/><Control name="page1"/></TabLayout>
    </VerticalLayout></Window>)", {}));
  cwui::HeadlessHost host(window, loop);
  cwui::Control& top = *window.find("top");
  cwui::Control& rest = *window.find("rest");
  cwui::Control& tabs = *window.find("tabs");
  EXPECT_EQ(rest.rect, (cwui::Rect{0, 20, 100, 70}));

  window.setAttribute(top, "height", "40");
  EXPECT_EQ(rest.rect, (cwui::Rect{0, 40, 100, 70}));
  window.setVisible(top, false);
  EXPECT_EQ(rest.rect, (cwui::Rect{0, 0, 100, 70}));
  EXPECT_EQ(host.takeDirty(), (cwui::Rect{0, 0, 100, 100}));

  window.selectItem(tabs, 1);
  EXPECT_EQ(window.find("page0")->rect.width(), 0);
  EXPECT_EQ(window.find("page1")->rect, (cwui::Rect{0, 70, 100, 100}));
  EXPECT_EQ(host.takeDirty(), tabs.rect);
}

}  // namespace
