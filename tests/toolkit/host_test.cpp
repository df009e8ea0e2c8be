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
