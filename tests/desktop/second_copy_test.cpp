// A second copy started while the window shows ends at once and brings the
// first copy's window to the front, with the keyboard focus.
#include "InstallerDesktop.h"
#include "Xdo.h"

#include <chrono>

namespace {

using desktoptest::InstallerDesktop;

class SecondCopy : public InstallerDesktop {};

TEST_F(SecondCopy, EndsAtOnceAndRaisesTheFirstWindow) {
  ASSERT_TRUE(StartInstaller("en_GB.UTF-8"));
  ASSERT_TRUE(Node("Install now", ATSPI_ROLE_PUSH_BUTTON)) << Tree();
  const unsigned long window = desktoptest::WindowNamed(desktoptest::kProductTitle);
  ASSERT_NE(window, 0u);
  // The keyboard somewhere else first: on the screen's root, as after a click on the desktop.
  const unsigned long root = std::stoul(desktoptest::Xdotool({"search", "--maxdepth", "0", "--name", ""}));
  desktoptest::FocusWindow(root);
  ASSERT_TRUE(WaitFor([&] { return !cwtest::HasState(main.get(), ATSPI_STATE_ACTIVE); })) << "the window lost the focus";
  ASSERT_NE(desktoptest::FocusedWindow(), window);
  Shot("first-window");

  const auto started = std::chrono::steady_clock::now();
  auto second = box.Start();
  const int code = second->Wait(10000);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  EXPECT_NE(code, -1) << "the second copy ends";
  EXPECT_LT(took.count(), 5000) << "at once";
  std::cout << "second copy ended with " << code << " after " << took.count() << " ms\n";

  EXPECT_TRUE(WaitFor([&] { return desktoptest::FocusedWindow() == window; })) << desktoptest::FocusedWindow();
  EXPECT_TRUE(WaitFor([&] { return cwtest::HasState(main.get(), ATSPI_STATE_ACTIVE); })) << "AT-SPI sees it active";
  EXPECT_EQ(program->Wait(0), -1) << "the first copy runs on";
  EXPECT_TRUE(Showing("Install now", ATSPI_ROLE_PUSH_BUTTON));
  Shot("raised");
}

}  // namespace
