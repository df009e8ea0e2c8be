// The whole installation pressed by the window's own AutoRun timers in the
// headless host, against the local service stack serving the signed sample
// package: Install after two seconds, the checks, the download, the
// verification, the silent install, the finished page and Start.
#include "resources/SkinArchive.h"

#include "Deployment.h"
#include "InstallThread.h"
#include "LocalSettings.h"
#include "SingleUserLog.h"
#include "support/DevServerHarness.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"
#include "toolkit/HeadlessHost.h"
#include "ui/InstallUIMainWnd.h"

#include <json/json.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string kPackageDir = std::string(CW_BINARY_DIR) + "/sample-package";
const std::string kPackage = "QuorlaMurmelon_setup.exe";

class AutoRunDrill : public SkinArchive {
 protected:
  void SetUp() override {
    cwtest::WriteFile(dir / "cw_downloader.cfg", "[Settings]\nTestEnv=1\nAutoRun=1\n");
    FuntionImpl::SetLocalSettingsPathForTesting(dir / "cw_downloader.cfg");
    Json::Value config;
    std::istringstream(cwtest::ReadFile(kPackageDir + "/devserver.json")) >> config;
    server = std::make_unique<devtest::DevServer>(Json::FastWriter().write(config), false);
    ASSERT_TRUE(server->ready());
    fs::copy_file(kPackageDir + "/files/" + kPackage, server->root() + "/" + kPackage);
    ASSERT_TRUE(CDeployment::Instance().LoadFromText(server->DeploymentXml(
        {"UpdateService", "UpdateServiceRegional", "DownloadSite"}, {kPackageDir + "/ca/ca.pem"})));
    CSingleUserLog::GetInstance().InitLogPaths("QuorlaMurmelon_setup");
  }
  void TearDown() override {
    FuntionImpl::SetLocalSettingsPathForTesting("");
    CDeployment::Instance().Load();
  }

  // The shipped archive, with the product configuration pointing at this server.
  cwui::LayoutSource Archive() {
    const std::string url = server->Url("/files/" + kPackage);
    return [url](const std::string& path) -> std::optional<std::string> {
      auto text = s_archive.Read(path);
      if (text && (path == "configure\\configure.xml" || path == "configure/configure.xml")) {
        *text = std::regex_replace(*text, std::regex(R"((name="(Extra_)?[Dd]ownload_url" text=")[^"]*)"), "$1" + url);
      }
      return text;
    };
  }

  cwtest::ScopedInstallFolders folders;
  cwtest::TempDir& dir = folders.dir;
  std::unique_ptr<devtest::DevServer> server;
  cwtest::LogCapture log;
};

TEST_F(AutoRunDrill, InstallsAndStartsTheProductByItself) {
  cwui::MessageLoop loop;
  cwui::HeadlessHost* mainHost = nullptr;
  std::vector<std::string> launches;
  ui::InstallUIMainWnd::Environment env;
  env.archive = Archive();
  env.userLog = &CSingleUserLog::GetInstance();
  env.autoRun = FuntionImpl::IsAutoRun();
  env.programFilesFolder = dir / "Programs";
  env.makeHost = [&](cwui::Window& w, cwui::MessageLoop& l) {
    auto host = std::make_unique<cwui::HeadlessHost>(w, l);
    if (mainHost == nullptr) mainHost = host.get();
    return host;
  };
  env.startProduct = [&launches](const std::string& target, int) {
    launches.push_back(target);
    return 0;
  };
  env.bannerThread = [](ui::InstallUIMainWnd&) { return 0u; };
  // AutoRun starts the program again after an install; here that is recorded.
  std::atomic<int> restarts = 0;
  env.installThread = [&restarts](IInstallWindow& w) {
    CInstallThread::Services services;
    services.restartSelf = [&restarts](const std::string&) {
      ++restarts;
      return CInstallThread::RestartResult{4242, 0};
    };
    services.openUrl = [](const std::string&) { return true; };
    return CInstallThread(w, services).InstallThreadFunc();
  };
  ui::InstallUIMainWnd window(loop, env);
  ASSERT_TRUE(env.autoRun);
  ASSERT_TRUE(window.create());
  // The main window's close ends the run; a drill that hangs fails.
  loop.setTimer(this, 1, 120000, [&loop] { loop.quit(1); });
  EXPECT_EQ(loop.run(), 0);
  window.WaitForAllThreadExit();

  const fs::path product = dir / "Programs/Quorla/Quorla Murmelon/Murmelon.exe";
  EXPECT_EQ(launches, std::vector<std::string>{"\"" + product.string() + "\""});
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(window.progressValue(), 100);
  EXPECT_TRUE(fs::exists(product));
  EXPECT_EQ(window.window()->find("page_layout")->selectedId, 1);
  EXPECT_TRUE(log.has(" Click install button"));
  const auto lines = log.lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("VerifyEmbeddedSignature result is 0") != std::string::npos;
  }));
}

}  // namespace
