// Leaving the installer from the finished and failed pages: Start with and
// without the launch window, the .NET rule, a product that does not start,
// a package that is no program, the install thread pressing Start, and the
// advice link with this program's tag.
#include "MainWindowFixture.h"

#include <thread>

namespace {

const std::string kProduct = "\"/apps/Quorla/Quorla Murmelon/Murmelon.exe\"";

class Leaving : public MainWindow {
 protected:
  // The window on its finished page, its configuration as the update service
  // sends it with these extra elements.
  std::unique_ptr<ui::InstallUIMainWnd> Finished(const std::string& elements = "") {
    prefetchXml = "<Downloader><Software_name>Quorla Murmelon</Software_name><Software_version>2.1</Software_version>"
                  "<Process_name>Murmelon.exe</Process_name><Filesize>100</Filesize>" + elements + "</Downloader>";
    installThread = [](IInstallWindow& w) { w.postMessage(WM_INSTALLFINISH, 0); };
    auto main = Create();
    EXPECT_TRUE(RunUntil([&] { return main->configure().getState() == 2; }));
    Press(*main->window(), "install_btn");
    EXPECT_TRUE(RunUntil([&] { return main->phase() == 1; }));
    return main;
  }
  std::string Label(const std::string& action) const {
    for (const std::string& view : transport->PageViews()) {
      if (view.find("&ep.cw_action=" + action + "&") == std::string::npos) continue;
      const std::size_t at = view.find("&ep.cw_label=");
      return at == std::string::npos ? "" : view.substr(at + 13, view.find('&', at + 1) - at - 13);
    }
    return "<none>";
  }
};

TEST_F(Leaving, StartLaunchesTheProductBehindTheLaunchWindowOrDirectly) {
  const struct {
    const char* gif;
    bool newerNet;
    int result;
    bool launchWindow;
    const char* startWindowLabel;
  } cases[] = {
      {"1", false, 0, true, "1"},
      {"0", false, 0, false, "0"},
      {"1", true, 0, false, "0"},  // the product asks for a newer .NET
      {"0", false, -1, false, "0"},
  };
  for (const auto& c : cases) {
    SetUp();
    hosts.clear();
    starts.clear();
    plainMessages.clear();
    labels["Gif_duration"] = c.gif;
    needsNewerNet = c.newerNet;
    startResult = c.result;
    auto main = Finished();
    Press(*main->window(), "start_app");
    ASSERT_TRUE(RunUntil([&] { return hosts.front()->closed(); })) << c.gif;
    EXPECT_EQ(hosts.size(), c.launchWindow ? 2u : 1u) << c.gif;
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], std::make_pair(kProduct, 1));  // the shipped admin flag
    EXPECT_EQ(CloseLabel(), "close07");
    EXPECT_EQ(Label("7.ProgramLaunch"), "");
    EXPECT_EQ(Label("9.StartWindow"), c.startWindowLabel);
    EXPECT_EQ(Count("FlowError"), c.result == -1 ? 1 : 0);
    EXPECT_EQ(plainMessages.size(), c.result == -1 ? 1u : 0u);
  }
  EXPECT_NE(plainMessages.at(0).find("shortcut"), std::string::npos) << plainMessages[0];
}

TEST_F(Leaving, APackageThatIsNoProgramIsShownInTheFileManagerAndTheWindowStays) {
  labels["Extra_download_url"] = "http://127.0.0.1:18080/files/QuorlaMurmelon_pack.zip";
  auto main = Finished("<Extra_download_url>http://h/files/QuorlaMurmelon_pack.zip</Extra_download_url>");
  Press(*main->window(), "start_app");
  EXPECT_EQ(shownFiles, std::vector<std::string>{"/apps/Quorla/Quorla Murmelon/QuorlaMurmelon_pack_2.1.apk"});
  EXPECT_TRUE(starts.empty());
  EXPECT_FALSE(hosts.front()->closed());

  // A text of three characters counts as a program's.
  labels["Gif_duration"] = "0";
  auto shortUrl = Finished("<Extra_download_url>abc</Extra_download_url>");
  Press(*shortUrl->window(), "start_app");
  EXPECT_EQ(starts.size(), 1u);
}

TEST_F(Leaving, TheInstallThreadsStartIsHandledOnTheLoopUnlessTheWindowIsGoing) {
  labels["Gif_duration"] = "0";
  auto main = Finished();
  std::thread([&] { main->clickStartApp(); }).join();
  EXPECT_TRUE(starts.empty());  // posted
  ASSERT_TRUE(RunUntil([&] { return hosts.front()->closed(); }));
  EXPECT_EQ(starts.size(), 1u);

  // After the AutoRun restart asked the window to close, the press starts the
  // product on the install thread, since the loop may end first.
  auto going = Finished();
  std::thread([&] {
    going->closeWindow();
    going->clickStartApp();
  }).join();
  EXPECT_EQ(starts.size(), 2u);
}

TEST_F(Leaving, TheAdviceLinkOpensThePackagesUrlWithThisProgramsTag) {
  auto main = Finished("<Downloader_type>1</Downloader_type><Download_url>http://h/a.exe</Download_url>"
                       "<Extra_download_url>http://h/b.exe</Extra_download_url>");
  main->followLink("text_fail_advice");
  main->setAdviceUrl("http://h/used.exe");
  main->followLink("text_fail_advice");
  EXPECT_EQ(openedUrls, (std::vector<std::string>{"http://h/a.exe?rnclid=test&package=QuorlaMurmelon_test.exe",
                                                   "http://h/used.exe?rnclid=test&package=QuorlaMurmelon_test.exe"}));
  log->WaitThreadForExit();
  EXPECT_EQ(Label("8-2.ClickInstallLink"), "First");
  EXPECT_EQ(Count("8-2.ClickInstallLink"), 2);

  // Type 2 wants a CDN path, and the remote paths never hold one.
  auto cdn = Finished("<Downloader_type>2</Downloader_type><Download_url>http://h/a.exe</Download_url>");
  cdn->followLink("text_fail_advice");
  EXPECT_EQ(openedUrls.size(), 2u);
}

TEST_F(Leaving, TheTagIsThePartAfterTheLastUnderscoreOfTheProgramsName) {
  const std::pair<const char*, const char*> cases[] = {
      {"/d/QuorlaSetup.exe", "http://h/p.exe"},
      {"/d/QuorlaSetup_ab12.exe", "http://h/p.exe?rnclid=ab12&package=QuorlaSetup_ab12.exe"},
      {"/d/Quorla_Setup_x9.exe", "http://h/p.exe?rnclid=x9&package=Quorla_Setup_x9.exe"},
      {"/d/Quorla_tag", "http://h/p.exe?rnclid=tag&package=Quorla_tag"},
      {"/d/Setup (1)_a&b.exe", "http://h/p.exe?rnclid=a%26b&package=Setup%20%281%29_a%26b.exe"},
  };
  for (const auto& [name, url] : cases) {
    EXPECT_EQ(ui::InstallUIMainWnd::AdviceUrlWithTag("http://h/p.exe", name), url) << name;
  }
  EXPECT_EQ(ui::InstallUIMainWnd::AdviceUrlWithTag("http://h/p?x=1", "/d/S_t.exe"), "http://h/p?x=1&rnclid=t&package=S_t.exe");
}

}  // namespace
