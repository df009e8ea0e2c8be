// The happy road again with the keyboard only: Tab to each control, Space
// or Enter to use it, the arrows in the language list, typing into the edit.
#include "InstallerDesktop.h"
#include "RecordReading.h"
#include "Xdo.h"

#include <filesystem>

namespace {

using desktoptest::InstallerDesktop;
namespace fs = std::filesystem;

class KeyboardOnly : public InstallerDesktop {
 protected:
  // Presses Tab until the node of that name has the focus (the edit's GTK
  // entry holds it for the edit); false after a round of the window.
  bool TabTo(const std::string& name) {
    for (int presses = 0; presses < 20; ++presses) {
      const cwtest::Ref focused = NodeWhere([&](AtspiAccessible* n) {
        return cwtest::NameOf(n) == name && cwtest::HasState(n, ATSPI_STATE_FOCUSED);
      }, app.get(), 300);
      if (focused) return true;
      desktoptest::PressKeys({"Tab"});
    }
    ADD_FAILURE() << "Tab never reaches \"" << name << "\"\n" << Tree();
    return false;
  }
  void ExpectPanel(bool open) {
    EXPECT_TRUE(WaitFor([&] { return FrameHeight(main.get()) == (open ? 560 : 360); })) << open;
  }
};

TEST_F(KeyboardOnly, InstallsWithTabSpaceAndEnter) {
  ASSERT_TRUE(StartInstaller("de_DE.UTF-8"));
  desktoptest::Xdotool({"mousemove", "0", "0"});  // out of the way: nothing below is pointed at
  // No window manager gives the new window the keyboard focus here; this is what one would do.
  const unsigned long window = desktoptest::WindowNamed(desktoptest::kProductTitle);
  ASSERT_NE(window, 0u);
  desktoptest::FocusWindow(window);
  ASSERT_TRUE(WaitFor([&] { return cwtest::HasState(main.get(), ATSPI_STATE_ACTIVE); }));

  ASSERT_TRUE(TabTo("Installation anpassen"));
  desktoptest::PressKeys({"space"});
  ExpectPanel(true);
  ASSERT_TRUE(TabTo(" Deutsch"));  // the combo, named by its chosen item
  desktoptest::PressKeys({"space", "Up", "Up", "Up", "Return"});
  ASSERT_TRUE(Node("今すぐインストール", ATSPI_ROLE_PUSH_BUTTON)) << Tree();
  Shot("japanese");
  desktoptest::PressKeys({"space", "Down", "Down", "Down", "Return"});
  ASSERT_TRUE(Node("Jetzt installieren", ATSPI_ROLE_PUSH_BUTTON)) << Tree();

  const std::string folder = InstallRoot() + "/Tastatur";
  ASSERT_TRUE(TabTo("install_file_path_edit"));
  desktoptest::PressKeys({"ctrl+a", "BackSpace"});
  desktoptest::TypeText(folder);
  Shot("folder-typed");
  desktoptest::PressKeys({"Tab"});
  ASSERT_TRUE(TabTo("Installation anpassen"));
  desktoptest::PressKeys({"Return"});
  ExpectPanel(false);
  ASSERT_TRUE(TabTo("Lizenzvereinbarung"));
  desktoptest::PressKeys({"Return"});
  ExpectPanel(true);
  Shot("licence-open");
  desktoptest::PressKeys({"space"});
  ExpectPanel(false);

  ASSERT_TRUE(TabTo("Jetzt installieren"));
  desktoptest::PressKeys({"Return"});
  ASSERT_TRUE(Node("install_progress", ATSPI_ROLE_PROGRESS_BAR, nullptr, 10000)) << Tree();
  Shot("running-page");
  // As with the pointer, the installer presses Start itself at the end (NeedStart_flag=1).
  const std::string product = folder + "/Quorla Murmelon";
  EXPECT_TRUE(WaitFor([&] { return fs::exists(product + "/started.txt"); }, 60000)) << "installed and started";
  EXPECT_NE(cwtest::ReadFile(product + "/settings.ini").find("Language=de"), std::string::npos);
  EXPECT_EQ(WaitForExit(20000), 0);
  const auto views = desktoptest::PageViews(server->Records());
  EXPECT_EQ(desktoptest::FirstMissingInOrder(views, {"2.DownStart|", "SetLanguage|German", "SetPath|", "Close|close07"}), "")
      << desktoptest::Lines(views);
}

}  // namespace
