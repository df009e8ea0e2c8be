// The install thread against the local service stack, with a recording window:
// the order of its messages, the attempt loop, verification and the time-out.
#include "Deployment.h"
#include "DownLoadImpl.h"
#include "support/FakeInstallWindow.h"
#include "InstallThread.h"
#include "LocalSettings.h"
#include "ProcessSearch.h"
#include "SingleUserLog.h"
#include "support/DevServerHarness.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using cwtest::FakeInstallWindow;

const std::string kPackageDir = std::string(CW_BINARY_DIR) + "/sample-package";
const std::string kPackage = "QuorlaMurmelon_setup.exe";

class InstallFlow : public ::testing::Test {
 protected:
  // `edit` changes the update answer before the server starts.
  void StartServer(const std::function<void(Json::Value&)>& edit = {}) {
    Json::Value config;
    std::istringstream(cwtest::ReadFile(kPackageDir + "/devserver.json")) >> config;
    if (edit) edit(config["update"]["downloader"]);
    server = std::make_unique<devtest::DevServer>(Json::FastWriter().write(config), false);
    fs::copy_file(kPackageDir + "/files/" + kPackage, server->root() + "/" + kPackage);

    ASSERT_TRUE(CDeployment::Instance().LoadFromText(
        server->DeploymentXml({"UpdateService", "UpdateServiceRegional", "ProductAlertService", "AnalyticsCollect",
                               "AnalyticsCollectTest", "Ga4Endpoint", "UserCheck", "DownloadSite"},
                              {kPackageDir + "/ca/ca.pem"})));
    CSingleUserLog::GetInstance().InitLogPaths("QuorlaMurmelon_setup");
  }

  void SetUp() override {
    cwtest::WriteFile(dir / "cw_downloader.cfg", "[Settings]\nTestEnv=1\nAutoRun=0\n");  // plain HTTP queries
    FuntionImpl::SetLocalSettingsPathForTesting(dir / "cw_downloader.cfg");
  }
  void TearDown() override {
    FuntionImpl::SetLocalSettingsPathForTesting("");
    CDeployment::Instance().Load();
  }

  // The embedded Download_url and Extra_download_url labels are the package's
  // URL unless given.
  std::unique_ptr<FakeInstallWindow> MakeWindow(const std::string& installTimeout = "600",
                                                const std::string& downloadLabel = "",
                                                const std::string& extraLabel = "") {
    const std::string url = server->Url("/files/" + kPackage);
    const std::string download = downloadLabel.empty() ? url : downloadLabel;
    const std::string extra = extraLabel.empty() ? url : extraLabel;
    const std::string labels = "<r><Label name=\"Downloader_id\" text=\"521\"/><Label name=\"Site_id\" text=\"61\"/>"
                               "<Label name=\"Software_name\" text=\"Quorla Murmelon\"/>"
                               "<Label name=\"Software_version\" text=\"1.0.0.0\"/>"
                               "<Label name=\"InstallTimeout\" text=\"" + installTimeout + "\"/>"
                               "<Label name=\"Download_url\" text=\"" + download + "\"/>"
                               "<Label name=\"Extra_download_url\" text=\"" + extra + "\"/></r>";
    return std::make_unique<FakeInstallWindow>(labels, dir / "Install");
  }

  cwtest::TempDir dir;
  cwtest::ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
  cwtest::ScopedEnv cache{"XDG_CACHE_HOME", dir / "cache"};
  cwtest::ScopedEnv registry{"CW_REGISTRY_ROOT", dir / "registry"};
  std::unique_ptr<devtest::DevServer> server;
  cwtest::LogCapture log;
};

TEST_F(InstallFlow, DownloadsVerifiesAndInstallsInOrder) {
  StartServer();
  auto window = MakeWindow();
  CDownLoadImpl::SetProgressDisplay([&window](std::int64_t done, std::int64_t) { window->downloaded = done; });
  EXPECT_EQ(CInstallThread(*window).InstallThreadFunc(), 0u);
  CDownLoadImpl::SetProgressDisplay(nullptr);
  EXPECT_EQ(window->messageIds(), (std::vector<unsigned>{WM_VERIFYSTART, WM_INSTALLSTART, WM_INSTALLFINISH}));
  // A local download takes well under a second: the speed is still a number.
  std::string speed;
  for (const std::string& line : log.lines()) {
    const std::size_t at = line.find("DownloadSpeed / ");
    if (at != std::string::npos) speed = line.substr(at + 16);
  }
  EXPECT_TRUE(std::regex_match(speed, std::regex(R"([0-9]+\.[0-9]{2}MB/s)"))) << speed;
  EXPECT_NE(speed, "0.00MB/s");
  EXPECT_EQ(window->stopCreep, 1);
  EXPECT_EQ(window->adviceUrl, server->Url("/files/" + kPackage));
  EXPECT_TRUE(fs::exists(dir / "Install/Murmelon.exe"));
  EXPECT_EQ(window->languageWrites, 1);
  EXPECT_TRUE(log.has(" VerifyEmbeddedSignature result is 0, The file \"" +
                      CSingleUserLog::GetInstance().GetDownloadFolder() + "/QuorlaMurmelon_setup_1.0.0.0.exe\" is signed and the signature was verified."));
  EXPECT_FALSE(log.has(" Send error report2"));
}

TEST_F(InstallFlow, WrongMd5WithGoodSignatureReportsAndInstalls) {
  StartServer([](Json::Value& d) { d["Md5"] = "00000000000000000000000000000000"; });
  auto window = MakeWindow();
  EXPECT_EQ(CInstallThread(*window).InstallThreadFunc(), 0u);
  bool reported = false;
  for (const std::string& line : log.lines()) reported |= line.find(" Send error report2") != std::string::npos;
  EXPECT_TRUE(reported);
  EXPECT_EQ(window->messageIds().back(), WM_INSTALLFINISH);
}

TEST_F(InstallFlow, TamperedPackageStopsBeforeTheInstaller) {
  StartServer();
  {
    // The served MD5 follows the file: only the signature can tell.
    std::fstream file(server->root() + "/" + kPackage, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(100000);
    file.put('\x5a');
  }
  auto window = MakeWindow();
  EXPECT_EQ(CInstallThread(*window).InstallThreadFunc(), CInstallThread::kFailed);
  EXPECT_EQ(window->messageIds(), (std::vector<unsigned>{WM_VERIFYSTART, WM_SIGNFAIL}));
  EXPECT_EQ(window->stopCreep, 1);
  EXPECT_FALSE(fs::exists(dir / "Install/Murmelon.exe"));
  bool reported = false;
  for (const std::string& line : log.lines()) reported |= line.find(" Send error report2") != std::string::npos;
  EXPECT_TRUE(reported);
}

TEST_F(InstallFlow, HangingInstallerTimesOutAndIsLeftRunning) {
  // The time-out comes from the embedded configuration only (there 0 reads as 242).
  StartServer();
  cwtest::ScopedEnv hang("CW_SAMPLE_SETUP_HANG", "1");
  auto window = MakeWindow("1");
  EXPECT_EQ(CInstallThread(*window).InstallThreadFunc(), CInstallThread::kFailed);
  EXPECT_EQ(window->messageIds().back(), WM_INSTALLTIMEOUT);
  const std::string installer = CSingleUserLog::GetInstance().GetDownloadFolder() + "/QuorlaMurmelon_setup_1.0.0.0.exe";
  EXPECT_GT(FuntionImpl::FindProcessByFullPath(installer, true, false), 0) << "left running, then ended here";
}

TEST_F(InstallFlow, AttemptLoopRetriesReportsRedirectsAndGivesUp) {
  StartServer();
  auto window = MakeWindow();
  int calls = 0;
  CInstallThread::Services services;
  services.download = [&calls](const std::string&, const std::string&, std::string&) {
    ++calls;
    return calls == 1 ? DOWNLOAD_TOO_MANY_REDIRECTS : DOWNLOAD_GET_SIZE_FAILED;
  };
  EXPECT_EQ(CInstallThread(*window, services).InstallThreadFunc(), CInstallThread::kFailed);
  EXPECT_EQ(calls, 12);
  ASSERT_EQ(window->messages().size(), 1u);
  EXPECT_EQ(window->messages()[0], std::make_pair(static_cast<unsigned>(WM_DOWNLOADFAIL), std::uintptr_t{6}));
  EXPECT_TRUE(log.has(" The Retry Frequency is: 11"));
  bool redirectReport = false;
  for (const std::string& line : log.lines()) redirectReport |= line.find(" Send error report1") != std::string::npos;
  EXPECT_TRUE(redirectReport);

  // A later success ends the loop with the retry count.
  calls = 0;
  services.download = [&calls](const std::string&, const std::string&, std::string&) {
    return ++calls < 3 ? DOWNLOAD_NO_SPEED : DOWNLOAD_SUCCESS;
  };
  auto second = MakeWindow();
  CInstallThread(*second, services).InstallThreadFunc();
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(log.has("Success\xEF\xBC\x8CThe Retry Frequency is: 2"));
}

TEST_F(InstallFlow, NoUsableAddressEndsWith14) {
  StartServer([](Json::Value& d) {
    d["Download_url"] = "http://cdn.quorla.test/x.exe";
    d["Extra_download_url"] = "http://dl.quorla.test/x.exe";
  });
  auto window = MakeWindow();
  EXPECT_EQ(CInstallThread(*window).InstallThreadFunc(), CInstallThread::kFailed);
  ASSERT_EQ(window->messages().size(), 1u);
  EXPECT_EQ(window->messages()[0], std::make_pair(static_cast<unsigned>(WM_DOWNLOADFAIL), std::uintptr_t{14}));
  EXPECT_EQ(window->configure().getState(), 1);
}

TEST_F(InstallFlow, OldSystemLinkCheckFallsBackWhenTheLinkIsGone) {
  // The update answer's first address is an old-system link the server no longer has.
  StartServer([](Json::Value& d) { d["Download_url"] = "{base}/files/QuorlaMurmelon_qmwin.exe"; });
  const std::string gone = server->Url("/files/QuorlaMurmelon_qmwin.exe");
  const std::string package = server->Url("/files/" + kPackage);
  const std::string extra = server->Url("/files/extra/" + kPackage);
  struct Case {
    const char* name;
    float osVersion;
    bool linkServed;          // the server has the old-system link after all
    const char* downloadLabel;  // "" : the package's URL
    std::string expectedUrl;
    const char* probeLine;    // nullptr: no probe
  } cases[] = {
      {"old system, link gone", 6.1f, false, "", package, " Curl check win78 link, http code is 404, curl code is 0"},
      {"old system, embedded address on a CDN", 6.1f, false, "http://cdn.quorla.test/x.exe", extra,
       " Curl check win78 link, http code is 404, curl code is 0"},
      {"old system, link served", 6.1f, true, "", gone, " Curl check win78 link, http code is 200, curl code is 0"},
      {"current system", 10.0f, false, "", gone, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string served = server->root() + "/QuorlaMurmelon_qmwin.exe";
    if (c.linkServed) fs::copy_file(server->root() + "/" + kPackage, served, fs::copy_options::overwrite_existing);
    cwtest::LogCapture caseLog;
    auto window = MakeWindow("600", c.downloadLabel, extra);
    std::vector<std::string> urls;
    CInstallThread::Services services;
    services.osVersion = [&c] { return c.osVersion; };
    services.download = [&urls](const std::string& url, const std::string&, std::string&) {
      urls.push_back(url);
      return DOWNLOAD_GET_SIZE_FAILED;
    };
    CInstallThread(*window, services).InstallThreadFunc();
    fs::remove(served);

    EXPECT_EQ(window->adviceUrl, c.expectedUrl);
    ASSERT_FALSE(urls.empty());
    EXPECT_EQ(urls.front(), c.expectedUrl);
    if (c.probeLine != nullptr) {
      EXPECT_TRUE(caseLog.has(c.probeLine));
    } else {
      for (const std::string& line : caseLog.lines()) EXPECT_EQ(line.find(" Curl check win78 link"), std::string::npos);
    }
    EXPECT_EQ(caseLog.has(" UrlUsed change to: " + c.expectedUrl), c.expectedUrl != gone);
  }
}

TEST_F(InstallFlow, AutoRunRestartLogsTheOutcomeOfTheStart) {
  StartServer();
  cwtest::WriteFile(dir / "cw_downloader.cfg", "[Settings]\nTestEnv=1\nAutoRun=1\n");
  struct Case {
    CInstallThread::RestartResult restart;
    const char* line;
  } cases[] = {
      {{4242, 0}, " Force Exit 7 error code = 4242, 0"},
      {{0, 5}, " Force Exit 7 error code = 0, 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    cwtest::LogCapture caseLog;
    auto window = MakeWindow();
    std::string restarted;
    CInstallThread::Services services;
    services.restartSelf = [&](const std::string& self) {
      restarted = self;
      return c.restart;
    };
    EXPECT_EQ(CInstallThread(*window, services).InstallThreadFunc(), 0u);
    EXPECT_FALSE(restarted.empty());
    EXPECT_TRUE(caseLog.has(c.line));
    EXPECT_TRUE(caseLog.has(" Force Exit 8"));
  }
}

}  // namespace
