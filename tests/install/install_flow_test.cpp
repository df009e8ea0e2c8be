// The install thread against the local service stack, with a recording window:
// the order of its messages, the attempt loop, verification and the time-out,
// and the analytics each outcome sends as the devserver records them.
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

// What a run sent to the analytics and exception services, from the
// devserver's record. The sender thread takes the page-view and funnel queues
// in turns as it finds them, and error reports go out at once from the install
// thread: only the order within each stream is fixed.
struct Sent {
  std::vector<std::string> pageViews;  // GA4 event names; FlowError and DownErrorCode with their label
  std::vector<std::string> funnels;    // event actions, after the core function's name when there is one
  std::vector<std::string> reports;    // exception codes
};

std::string FunnelName(const Json::Value& actions) {
  std::string name = actions["event_action"].asString();
  if (actions.isMember("core_func_name")) name = actions["core_func_name"].asString() + "." + name;
  if (actions.isMember("MainErrorType")) name += "=" + actions["MainErrorType"].asString();
  return name;
}

// Queues a marker on both event queues and waits until the sender has
// delivered both: the queues are first in, first out, so everything recorded
// before them has gone out. Returns what the record holds from line `from` on.
Sent Flush(const devtest::DevServer& server, std::size_t from = 0) {
  static int markers = 0;
  const std::string marker = "Marker-" + std::to_string(++markers);
  CSingleUserLog::GetInstance().AddUserLog_simple("Test", marker, "", false);
  CSingleUserLog::GetInstance().AddUserLog_funnelPair("Test", marker, "", "", false, false);
  Sent sent;
  std::vector<Json::Value> records;
  const bool arrived = cwtest::WaitUntil(30000, [&] {
    sent = {};
    records = server.Records();
    bool pageViewsDone = false, funnelsDone = false;
    for (std::size_t i = from; i < records.size(); ++i) {
      const Json::Value& r = records[i];
      const std::string path = r["path"].asString();
      if (path == "/g/collect" && !pageViewsDone) {
        const std::string name = r["query"]["en"].asString();
        pageViewsDone = name == marker;
        const bool labelled = name == "FlowError" || name == "DownErrorCode";
        const std::string label = labelled ? "=" + r["query"]["ep.cw_label"].asString() : "";
        if (!pageViewsDone) sent.pageViews.push_back(name + label);
      } else if ((path == "/collect" || path == "/collector") && !funnelsDone) {
        Json::Value body;
        std::istringstream(r["body"].asString()) >> body;
        const std::string name = FunnelName(body["actions"]);
        funnelsDone = name == marker;
        if (!funnelsDone) sent.funnels.push_back(name);
      } else if (path == "/api/exception/send") {
        const std::string body = r["body"].asString();
        const std::size_t at = body.find("exception_code=");
        sent.reports.push_back(at == std::string::npos ? body : body.substr(at + 15, body.find('&', at) - at - 15));
      }
    }
    return pageViewsDone && funnelsDone;
  });
  // The process-wide event log keeps the services of the first deployment it
  // saw: these checks need one test per process, as ctest runs them.
  EXPECT_TRUE(arrived) << "the markers did not reach this server";
  for (std::size_t i = from; i < records.size(); ++i) {
    const std::string path = records[i]["path"].asString();
    if (path == "/g/collect" || path == "/collect" || path == "/collector" || path == "/api/exception/send") {
      EXPECT_EQ(records[i]["fault"].asString(), "") << records[i]["target"].asString() << " " << records[i]["body"];
    }
  }
  return sent;
}

using Names = std::vector<std::string>;
using Messages = std::vector<std::pair<unsigned, std::uintptr_t>>;

// What follows `prefix` in the names that start with it, in order.
Names After(const Names& names, const std::string& prefix) {
  Names out;
  for (const std::string& name : names) {
    if (name.rfind(prefix, 0) == 0) out.push_back(name.substr(prefix.size()));
  }
  return out;
}

class InstallFlow : public ::testing::Test {
 protected:
  // `edit` changes the update answer before the server starts. With
  // `analytics` the events and error reports reach the server: they are sent
  // over HTTPS only. It is off elsewhere, since the sender's kept-alive
  // connection makes the server's stop wait out its 5 s keep-alive time.
  void StartServer(const std::function<void(Json::Value&)>& edit = {}, bool analytics = false) {
    Json::Value config;
    std::istringstream(cwtest::ReadFile(kPackageDir + "/devserver.json")) >> config;
    if (edit) edit(config["update"]["downloader"]);
    server = std::make_unique<devtest::DevServer>(Json::FastWriter().write(config), analytics);
    ASSERT_TRUE(server->ready());
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

  // The served MD5 follows the file: only the signature can tell.
  void TamperPackage() {
    std::fstream file(server->root() + "/" + kPackage, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(100000);
    file.put('\x5a');
  }

  cwtest::ScopedInstallFolders folders;
  cwtest::TempDir& dir = folders.dir;
  std::unique_ptr<devtest::DevServer> server;
  cwtest::LogCapture log;
};

TEST_F(InstallFlow, DownloadsVerifiesAndInstallsInOrder) {
  StartServer({}, true);
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
  const Sent sent = Flush(*server);
  EXPECT_EQ(sent.reports, Names{});
  EXPECT_EQ(After(sent.pageViews, "FlowError="), Names{});
}

TEST_F(InstallFlow, WrongMd5WithGoodSignatureReportsAndInstalls) {
  StartServer([](Json::Value& d) { d["Md5"] = "00000000000000000000000000000000"; }, true);
  auto window = MakeWindow();
  EXPECT_EQ(CInstallThread(*window).InstallThreadFunc(), 0u);
  const Sent sent = Flush(*server);
  EXPECT_EQ(sent.reports, Names{"MD5_Check_Fail_Cfg1"});
  EXPECT_EQ(After(sent.pageViews, "FlowError="), Names{"DL013"});
  EXPECT_EQ(window->messageIds().back(), WM_INSTALLFINISH);
}

TEST_F(InstallFlow, TamperedPackageStopsBeforeTheInstaller) {
  StartServer({}, true);
  TamperPackage();
  auto window = MakeWindow();
  EXPECT_EQ(CInstallThread(*window).InstallThreadFunc(), CInstallThread::kFailed);
  EXPECT_EQ(window->messageIds(), (std::vector<unsigned>{WM_VERIFYSTART, WM_SIGNFAIL}));
  EXPECT_EQ(window->stopCreep, 1);
  EXPECT_FALSE(fs::exists(dir / "Install/Murmelon.exe"));
  const Sent sent = Flush(*server);
  EXPECT_EQ(sent.reports, Names{"Hash_Check_Fail_Cfg1"});
  EXPECT_EQ(After(sent.pageViews, "FlowError="), Names{"DL014"});
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
  StartServer({}, true);
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
  const Sent sent = Flush(*server);
  EXPECT_EQ(sent.reports, Names{"Url_Too_Many_Redirects"});
  Names codes(CInstallThread::kMaxAttempts, "DL012");
  codes[0] = "DL022";
  EXPECT_EQ(After(sent.pageViews, "FlowError="), codes);

  // A later success ends the loop with the retry count.
  calls = 0;
  const std::string package = server->root() + "/" + kPackage;
  services.download = [&calls, &package](const std::string&, const std::string& path, std::string&) {
    if (++calls < 3) return DOWNLOAD_NO_SPEED;
    fs::copy_file(package, path, fs::copy_options::overwrite_existing);
    return DOWNLOAD_SUCCESS;
  };
  const std::size_t before = server->Records().size();
  auto second = MakeWindow();
  EXPECT_EQ(CInstallThread(*second, services).InstallThreadFunc(), 0u);
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(log.has("Success\xEF\xBC\x8CThe Retry Frequency is: 2"));
  const Sent retried = Flush(*server, before);
  EXPECT_EQ(retried.reports, Names{});
  EXPECT_EQ(After(retried.pageViews, "FlowError="), (Names{"DL011", "DL011"}));
}

TEST_F(InstallFlow, EachFailedAttemptSendsTheCodeOfItsResult) {
  StartServer({}, true);
  const std::pair<EnumErrorCode, const char*> table[] = {
      {DOWNLOAD_GET_SIZE_FAILED, "DL012"}, {DOWNLOAD_OPEN_FILE_FAILED, "DL027"}, {DOWNLOAD_NO_THREADS, "DL028"},
      {DOWNLOAD_NETWORK_DEAD, "DL010"},    {DOWNLOAD_NO_SPEED, "DL011"},         {DOWNLOAD_CDN_FAILED, "DL029"},
      {DOWNLOAD_LENGTH_ERROR, "DL030"},    {DOWNLOAD_TOO_MANY_REDIRECTS, "DL022"}, {DOWNLOAD_FILE_TOO_SMALL, "DL031"}};
  // Attempt n gets the table's row n, from the top again after the last row.
  const auto row = [&table](int attempt) { return table[static_cast<std::size_t>(attempt) % std::size(table)]; };
  Names expected;
  for (int i = 0; i < CInstallThread::kMaxAttempts; ++i) expected.push_back(row(i).second);
  int calls = 0;
  CInstallThread::Services services;
  services.download = [&](const std::string&, const std::string&, std::string&) { return row(calls++).first; };
  auto window = MakeWindow();
  EXPECT_EQ(CInstallThread(*window, services).InstallThreadFunc(), CInstallThread::kFailed);
  const Sent sent = Flush(*server);
  EXPECT_EQ(After(sent.pageViews, "FlowError="), expected);
  EXPECT_EQ(After(sent.funnels, "Error="), expected);  // each also as an ErrorReporting event
  EXPECT_EQ(sent.reports, Names{"Url_Too_Many_Redirects"});  // the redirect loop's code comes with its report
  // The window and DownErrorCode get the last attempt's result.
  const EnumErrorCode last = row(CInstallThread::kMaxAttempts - 1).first;
  EXPECT_EQ(After(sent.pageViews, "DownErrorCode="), Names{"error_" + std::to_string(last)});
  EXPECT_EQ(window->messages(), (Messages{{WM_DOWNLOADFAIL, last}}));
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

// One whole run per outcome, against the real engine and the sample package,
// and what it sends, stream by stream.
struct Outcome {
  const char* name;
  bool wrongMd5 = false;        // the update answer names another MD5
  bool tampered = false;        // one byte of the served package changed
  bool packageGone = false;     // both addresses answer 404
  bool installerHangs = false;  // with an install time-out of 1 s
  unsigned result = 0;
  Messages messages = {};
  Names pageViews = {}, funnels = {}, reports = {};
};

void PrintTo(const Outcome& outcome, std::ostream* out) { *out << outcome.name; }

template <typename T>
std::vector<T> Cat(std::initializer_list<std::vector<T>> parts) {
  std::vector<T> out;
  for (const std::vector<T>& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Names Times(int n, const Names& part) {
  Names out;
  while (n-- > 0) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// The first FlowError of a run also opens the FlowError core function.
Names FirstFlowError(const std::string& code) {
  return {"Error=" + code, "FlowError.CoreFuncStart", "FlowError." + code};
}

std::vector<Outcome> Outcomes() {
  // Page views: the query, one download attempt with its probe report, the checks.
  const Names queried = {"SyncGetCbsTime", "3.Downloading..."};
  const Names timed = {"MDownloadTime", "DownloadSpeed", "DownloadTime"};
  const Names checked =
      Cat({queried, {"Download"}, timed, {"Md5CheckStart", "MMD5CheckTime", "MD5CheckTime", "Md5CheckFinsh"}});
  const Names installedViews = {"4.DownFinsh", "5.ProgramInstall", "MInstallTime", "6.ProgramFinsh", "InstallTime",
                                "ProductVersion"};
  // Funnels: the configuration, one good attempt and the checks; the silent run.
  const Names ready = {"Get download configuration", "DownloadConfigReady", "Downloading.Downloading"};
  const Names attempt = {"Use download address", "SliceDownloadStart"};
  const Names verified =
      Cat({ready, attempt,
           {"SliceDownloading", "Downloading.DownFinsh", "Downloading.CoreFuncEnd", "DownloadSuccess", "MDownSuccess",
            "Md5Check.CoreFuncStart", "Md5Check.Md5CheckStart", "Md5Check.Md5CheckFinsh", "Md5Check.CoreFuncEnd"}});
  const Names installing = {"Installing.CoreFuncStart", "Installing.ProgramInstall"};
  const Names installed = Cat({installing, {"Installing.ProgramFinsh", "Installing.CoreFuncEnd"}});
  const Messages verifying = {{WM_VERIFYSTART, 0}, {WM_INSTALLSTART, 0}};
  const unsigned failed = CInstallThread::kFailed;
  return {
      {.name = "Installed",
       .messages = Cat({verifying, {{WM_INSTALLFINISH, 0}}}),
       .pageViews = Cat({checked, installedViews}),
       .funnels = Cat({verified, installed})},
      {.name = "WrongMd5StillInstalls",
       .wrongMd5 = true,
       .messages = Cat({verifying, {{WM_INSTALLFINISH, 0}}}),
       .pageViews = Cat({checked, {"FlowError=DL013"}, installedViews}),
       .funnels = Cat({verified, FirstFlowError("DL013"), installed}),
       .reports = {"MD5_Check_Fail_Cfg1"}},
      {.name = "BadSignature",
       .tampered = true,
       .result = failed,
       .messages = {{WM_VERIFYSTART, 0}, {WM_SIGNFAIL, 0}},
       .pageViews = Cat({checked, {"FlowError=DL014"}}),
       .funnels = Cat({verified, FirstFlowError("DL014")}),
       .reports = {"Hash_Check_Fail_Cfg1"}},
      {.name = "WrongMd5AndBadSignature",
       .wrongMd5 = true,
       .tampered = true,
       .result = failed,
       .messages = {{WM_VERIFYSTART, 0}, {WM_SIGNFAIL, 0}},
       .pageViews = Cat({checked, {"FlowError=DL015"}}),
       .funnels = Cat({verified, FirstFlowError("DL015")}),
       .reports = {"MD5_Hash_Check_Fail_Cfg1"}},
      {.name = "PackageMissing",
       .packageGone = true,
       .result = failed,
       .messages = {{WM_DOWNLOADFAIL, DOWNLOAD_GET_SIZE_FAILED}},
       .pageViews = Cat({queried, Times(CInstallThread::kMaxAttempts, {"Download", "FlowError=DL012"}), timed,
                         {"DownErrorCode=error_6"}}),
       .funnels = Cat({ready, attempt, FirstFlowError("DL012"),
                       Times(CInstallThread::kMaxAttempts - 1, Cat({attempt, {"Error=DL012", "FlowError.DL012"}})),
                       {"Downloading.DownFinsh", "Downloading.CoreFuncEnd"}})},
      {.name = "InstallerTimesOut",
       .installerHangs = true,
       .result = failed,
       .messages = Cat({verifying, {{WM_INSTALLTIMEOUT, 0}}}),
       .pageViews = Cat({checked, {"4.DownFinsh", "5.ProgramInstall", "FlowError=DL016"}}),
       .funnels = Cat({verified, installing, FirstFlowError("DL016"), {"Installing.CoreFuncEnd"}})},
  };
}

class InstallEvents : public InstallFlow, public ::testing::WithParamInterface<Outcome> {};

TEST_P(InstallEvents, SendsTheEventsOfItsOutcomeInOrder) {
  const Outcome& c = GetParam();
  StartServer(
      [&c](Json::Value& d) {
        if (c.wrongMd5) d["Md5"] = "00000000000000000000000000000000";
        if (c.packageGone) d["Download_url"] = d["Extra_download_url"] = "{base}/files/gone/" + kPackage;
      },
      true);
  if (c.tampered) TamperPackage();
  cwtest::ScopedEnv hang("CW_SAMPLE_SETUP_HANG", c.installerHangs ? std::optional<std::string>("1") : std::nullopt);
  auto window = MakeWindow(c.installerHangs ? "1" : "600");
  EXPECT_EQ(CInstallThread(*window).InstallThreadFunc(), c.result);
  if (c.installerHangs) {
    FuntionImpl::FindProcessByFullPath(CSingleUserLog::GetInstance().GetDownloadFolder() +
                                           "/QuorlaMurmelon_setup_1.0.0.0.exe", true, false);
  }
  EXPECT_EQ(window->messages(), c.messages);
  const Sent sent = Flush(*server);
  EXPECT_EQ(sent.pageViews, c.pageViews);
  EXPECT_EQ(sent.funnels, c.funnels);
  EXPECT_EQ(sent.reports, c.reports);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, InstallEvents, ::testing::ValuesIn(Outcomes()),
                         [](const ::testing::TestParamInfo<Outcome>& info) { return std::string(info.param.name); });

}  // namespace
