// The banner thread against the local service stack: the signed request,
// the pictures fetched into the download folder, the table by sort, message
// 2952 only for a complete set, and the carousel rebuilt from the pictures.
#include "MainWindowFixture.h"

#include "Deployment.h"
#include "support/DevServerHarness.h"
#include "support/LogCapture.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string kPictures = std::string(CW_BINARY_DIR) + "/tools/devserver/banners";

class BannerThread : public MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    realBanners = true;
    server = std::make_unique<devtest::DevServer>("{}", true);
    ASSERT_TRUE(server->ready());
    fs::create_directories(server->root() + "/banners");
    for (const char* name : {"banner_1.png", "banner_2.png", "banner_3.png"}) {
      fs::copy_file(kPictures + "/" + name, server->root() + "/banners/" + name);
    }
    ASSERT_TRUE(CDeployment::Instance().LoadFromText(server->DeploymentXml({"BannerService", "BannerServiceTest"})));
    log->InitLogPaths("QuorlaMurmelon_setup");
  }
  void TearDown() override { CDeployment::Instance().Load(); }

  // The running page with the banner thread done (and its message handled).
  std::unique_ptr<ui::InstallUIMainWnd> Run(const std::string& banners) {
    EXPECT_EQ(server->Control(R"({"banners": )" + banners + "}"), 200) << banners;
    auto main = Create();
    Press(*main->window(), "install_btn");
    main->WaitForAllThreadExit();
    RunUntil([] { return false; }, 200);
    return main;
  }
  int Funnels(const std::string& action) {
    log->WaitThreadForExit();
    int n = 0;
    for (const Json::Value& funnel : transport->FunnelObjects()) n += funnel["actions"]["event_action"].asString() == action;
    return n;
  }
  std::string Folder() const { return log->GetDownloadFolder(); }

  std::unique_ptr<devtest::DevServer> server;
  cwtest::LogCapture lines;
};

TEST_F(BannerThread, ACompleteSetIsStoredAndReplacesTheCarouselsPictures) {
  auto main = Run(R"({"mode": "list"})");
  ASSERT_TRUE(main->bannerReady());
  const auto banners = main->banners();
  ASSERT_EQ(banners.size(), 3u);
  EXPECT_EQ(banners.at(1).pictureFile, Folder() + "/1.png");
  EXPECT_NE(banners.at(1).linkUrl.find("/promotion/1"), std::string::npos);
  for (int k = 1; k <= 3; ++k) EXPECT_TRUE(fs::exists(Folder() + "/" + std::to_string(k) + ".png")) << k;
  EXPECT_NE(main->window()->images().get(Folder() + "/1.png"), nullptr);
  EXPECT_TRUE(lines.has(" Get Banner success"));
  EXPECT_FALSE(lines.has(" AnimaInit, use default: "));
  EXPECT_EQ(Funnels("ObtainCarouselMapTime"), 1);
  EXPECT_EQ(Funnels("DownloadCarouselImagesTime"), 3);
  // The request was signed: a wrong verify would have been refused.
  const auto records = server->Records();
  EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const Json::Value& r) {
    return r["path"].asString() == "/api/v1/banners" && r["query"].isMember("verify");
  }));
}

TEST_F(BannerThread, AnIncompleteOrRefusedListKeepsTheShippedPictures) {
  const struct {
    const char* banners;
    std::size_t stored;
    int pictureAttempts;
  } cases[] = {
      {R"({"mode": "missing_picture", "broken_entry": 2})", 2, 5},  // the second fails three times
      {R"({"mode": "not_image", "broken_entry": 2})", 2, 5},
      {R"({"mode": "empty"})", 0, 0},
      {R"({"mode": "status", "status_code": 200})", 0, 0},
      {R"({"mode": "invalid_json"})", 0, 0},
      {R"({"mode": "list", "entries": [{"picture": "banner_1.png", "jump_url": "", "prompt": "", "sort": -5},
                                       {"picture": "banner_2.png", "jump_url": "", "prompt": "", "sort": 5000}]})", 0, 0},
  };
  for (const auto& c : cases) {
    SetUp();
    auto main = Run(c.banners);
    EXPECT_FALSE(main->bannerReady()) << c.banners;
    EXPECT_EQ(main->banners().size(), c.stored) << c.banners;
    EXPECT_EQ(Funnels("DownloadCarouselImagesTime"), c.pictureAttempts) << c.banners;
    EXPECT_FALSE(lines.has(" Get Banner success")) << c.banners;
  }
}

TEST_F(BannerThread, TheSameSortTwiceLeavesTheLaterEntryAndStillCompletes) {
  auto main = Run(R"({"mode": "list", "entries": [{"picture": "banner_1.png", "jump_url": "", "prompt": "", "sort": 1},
                                                   {"picture": "banner_2.png", "jump_url": "", "prompt": "", "sort": 1}]})");
  EXPECT_TRUE(main->bannerReady());
  const auto banners = main->banners();
  ASSERT_EQ(banners.size(), 1u);
  EXPECT_NE(banners.at(1).pictureUrl.find("banner_2.png"), std::string::npos);
}

}  // namespace
