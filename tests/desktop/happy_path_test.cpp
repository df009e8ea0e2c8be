// The whole road a person takes, with the pointer: the window in the system's
// language, the language changed and changed back, the settings panel and the
// licence opened and closed, a folder typed, Install, the bar moving, the end
// of the install, the product started, and what the analytics heard.
#include "InstallerDesktop.h"
#include "RecordReading.h"
#include "Xdo.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace {

using desktoptest::InstallerDesktop;
namespace fs = std::filesystem;

// The page views and funnel events of this road, in the order they are sent.
const std::vector<std::string> kPageViews = {
    "1.Launch|",         "2.DownStart|",          "SetLanguage|German",  "SetPath|",
    "4.DownFinsh|First", "5.ProgramInstall|First", "6.ProgramFinsh|First", "7.ProgramLaunch|",
    "9.StartWindow|3",   "Close|close07"};
const std::vector<std::string> kFunnel = {
    "BeforeDownload/Launch",      "Downloading/DownStart",   "Downloading/DownFinsh",
    "Md5Check/Md5CheckFinsh",     "Installing/ProgramInstall", "Installing/ProgramFinsh",
    "Starting/ProgramLaunch",     "Starting/StartWindow",    "Starting/Close"};

class HappyPath : public InstallerDesktop {
 protected:
  // Opens the language list with the pointer and picks an item (named with the list's leading blank).
  void ChooseLanguage(const std::string& item, const std::string& installText) {
    const cwtest::Ref combo = NodeWhere([](AtspiAccessible* n) {
      return atspi_accessible_get_role(n, nullptr) == ATSPI_ROLE_COMBO_BOX;
    });
    ASSERT_TRUE(combo) << Tree();
    Click(combo.get());
    const cwtest::Ref choice = NodeWhere([&](AtspiAccessible* n) {
      return atspi_accessible_get_role(n, nullptr) == ATSPI_ROLE_LIST_ITEM && cwtest::NameOf(n) == " " + item &&
             cwtest::HasState(n, ATSPI_STATE_SHOWING);
    });
    ASSERT_TRUE(choice) << "the list did not open\n" << Tree();
    Shot("language-list-open");
    Click(choice.get());
    ASSERT_TRUE(Node(installText, ATSPI_ROLE_PUSH_BUTTON)) << item << "\n" << Tree();
    Shot("language-" + item);
  }

  void ExpectPanel(bool open, const char* what) {
    EXPECT_TRUE(WaitFor([&] { return FrameHeight(main.get()) == (open ? 560 : 360); }))
        << what << ": " << FrameHeight(main.get());
  }
};

TEST_F(HappyPath, InstallsWithThePointerAndStartsTheProduct) {
  SlowDownloads(1500000);  // a few seconds of download, so the bar is seen moving
  ASSERT_TRUE(StartInstaller("de_DE.UTF-8"));
  ASSERT_TRUE(Node("Jetzt installieren", ATSPI_ROLE_PUSH_BUTTON)) << "German, from LANG\n" << Tree();
  Shot("settings-page-german");

  ASSERT_TRUE(ClickNode("Installation anpassen", ATSPI_ROLE_PUSH_BUTTON));
  ExpectPanel(true, "the settings open");
  Shot("settings-panel-open");
  // The list opens upwards over the caption band: a pick there must not drag the window.
  ChooseLanguage("日本語", "今すぐインストール");
  ChooseLanguage("Deutsch", "Jetzt installieren");

  const std::string folder = InstallRoot() + "/Meine Programme";
  ASSERT_TRUE(ClickNode("install_file_path_edit", ATSPI_ROLE_ENTRY));
  // The edit's own GTK entry lies over the control and takes the keys.
  const cwtest::Ref entry = Node("install_file_path_edit", ATSPI_ROLE_TEXT, app.get());
  ASSERT_TRUE(entry) << Tree(app.get());
  desktoptest::PressKeys({"ctrl+a", "BackSpace"});
  desktoptest::TypeText(folder);
  EXPECT_TRUE(WaitFor([&] { return desktoptest::TextOf(entry.get()) == folder; })) << desktoptest::TextOf(entry.get());
  Shot("folder-typed");

  ASSERT_TRUE(ClickNode("Installation anpassen", ATSPI_ROLE_PUSH_BUTTON));
  ExpectPanel(false, "the settings close");
  ASSERT_TRUE(ClickNode("Lizenzvereinbarung", ATSPI_ROLE_LINK));
  ExpectPanel(true, "the licence opens");
  EXPECT_TRUE(Node("license_text")) << "the licence text in the panel\n" << Tree();
  Shot("licence-open");
  ASSERT_TRUE(ClickNode("Lizenzvereinbarung", ATSPI_ROLE_LINK));
  ExpectPanel(false, "the licence closes");
  Shot("licence-closed");

  cwtest::EventLog events({"object:value-changed", "object:property-change:accessible-value"});
  ASSERT_TRUE(ClickNode("Jetzt installieren", ATSPI_ROLE_PUSH_BUTTON));
  ASSERT_TRUE(Node("install_progress", ATSPI_ROLE_PROGRESS_BAR, nullptr, 10000)) << "the running page\n" << Tree();
  EXPECT_TRUE(Showing("Minimieren", ATSPI_ROLE_PUSH_BUTTON) && Showing("Schließen", ATSPI_ROLE_PUSH_BUTTON));
  Shot("running-page");
  const std::vector<double> values = WatchProgress(80, 60000);
  Shot("running-page-late");
  std::string seen;
  for (double v : values) seen += std::to_string(static_cast<int>(v)) + " ";
  EXPECT_GE(values.size(), 3u) << "the bar moved: " << seen;
  EXPECT_TRUE(std::is_sorted(values.begin(), values.end())) << seen;
  // GTK's bridge announces a value change as either event.
  const auto announced = std::count_if(events.events.begin(), events.events.end(), [](const std::string& e) {
    return e.rfind("object:value-changed|install_progress|", 0) == 0 ||
           e.rfind("object:property-change:accessible-value|install_progress|", 0) == 0;
  });
  EXPECT_GE(announced, 2) << desktoptest::Lines(events.events);

  // NeedStart_flag=1: the installer presses Start itself as the finished page
  // shows, so that page is not waited for (it lasts a moment); what follows
  // is: the log's end of the install, the main window hidden and the launch
  // window (also titled with the product) shown for its 3 s.
  ASSERT_TRUE(WaitForLog(" install Finished", 60000)) << seen;
  cwtest::Ref launch;
  ASSERT_TRUE(WaitFor([&] { return (launch = Frame(desktoptest::kProductTitle, 100)) && launch.get() != main.get(); }, 20000))
      << Tree(app.get());
  const auto launchShown = std::chrono::steady_clock::now();
  Shot("launch-window");
  EXPECT_FALSE(cwtest::HasState(main.get(), ATSPI_STATE_SHOWING)) << "the main window makes way";
  const std::string product = folder + "/Quorla Murmelon";
  EXPECT_TRUE(WaitFor([&] { return fs::exists(product + "/started.txt"); }, 20000));
  Shot("product-started");
  EXPECT_EQ(WaitForExit(20000), 0) << "the window closes after the launch";
  EXPECT_GE(std::chrono::steady_clock::now() - launchShown, std::chrono::milliseconds(2500)) << "the launch window's 3 s";
  EXPECT_NE(cwtest::ReadFile(product + "/settings.ini").find("Language=de"), std::string::npos)
      << cwtest::ReadFile(product + "/settings.ini");
  EXPECT_NE(cwtest::ReadFile(product + "/started.txt").find("language=de"), std::string::npos);
  EXPECT_FALSE(fs::exists(InstallRoot() + "/Quorla")) << "the default folder was not used";

  const auto records = server->Records();
  const auto views = desktoptest::PageViews(records);
  EXPECT_EQ(desktoptest::FirstMissingInOrder(views, kPageViews), "") << desktoptest::Lines(views);
  EXPECT_EQ(std::count(views.begin(), views.end(), "Close|close07"), 1) << desktoptest::Lines(views);
  EXPECT_EQ(std::count(views.begin(), views.end(), "SysScreenResolution|1024*768"), 1)
      << "the private screen's size\n" << desktoptest::Lines(views);
  const auto funnel = desktoptest::FunnelEvents(records);
  EXPECT_EQ(desktoptest::FirstMissingInOrder(funnel, kFunnel), "") << desktoptest::Lines(funnel);
}

}  // namespace
