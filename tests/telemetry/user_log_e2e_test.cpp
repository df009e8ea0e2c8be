// End to end: the user event log's real sender thread and transport, set up
// from a deployment file, deliver events over HTTPS to the devserver; the
// error reports go to the exception service the TestEnv setting picks.
#include "Deployment.h"
#include "ErrorReport.h"
#include "TelemetryDevServer.h"
#include "TelemetryTestSupport.h"
#include "UserLogTransport.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

using teletest::WaitForPath;

// Every service on the devserver's HTTPS listener, its test CA trusted; the
// product-alert service answers as "localhost" so the record tells the two
// exception hosts apart.
std::string Deployment(const devtest::DevServer& server) {
  const std::string port = teletest::PortOf(server.HttpsUrl(""));
  std::string xml = "<Deployment>";
  for (const char* name : {"UpdateService", "AnalyticsCollect", "AnalyticsCollectTest", "Ga4Endpoint", "UserCheck",
                           "DownloadSite"}) {
    xml += std::string("<Service name=\"") + name + "\" host=\"127.0.0.1\" https_port=\"" + port + "\"/>";
  }
  xml += "<Service name=\"ProductAlertService\" host=\"localhost\" https_port=\"" + port + "\"/>";
  xml += "<TlsTrustAnchor file=\"" + server.caFile() + "\"/></Deployment>";
  return xml;
}

class TelemetryEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.ready());
    ASSERT_TRUE(CDeployment::Instance().LoadFromText(Deployment(server)));
    // The user-check service is this devserver too, over HTTPS.
    ASSERT_EQ(server.Control(R"({"user_check":{"softwarelog":"{https_base}"}})"), 200);
  }

  devtest::DevServer server{"{}", true};
  teletest::ScopedSettings settings;
  teletest::ScopedUserFolders folders;
  cwtest::TempDir working;
  cwtest::TempDir registry;
  cwtest::ScopedEnv registryRoot{"CW_REGISTRY_ROOT", registry.path()};
};

TEST_F(TelemetryEndToEnd, SenderThreadDeliversEveryEventWithItsFields) {
  UserLogOptions options;
  const std::string folder = working.path();
  options.createTransport = [folder] {
    WebLogConfig config = WebLogConfigFromDeployment();
    config.workingFolder = folder;
    SetWebLogConfig(config);
    return std::shared_ptr<IWebLog>(CreateExportObj(), [](IWebLog* t) { DestroyExportObj(t); });
  };
  options.facts = teletest::TestFacts();
  CSingleUserLog log(options);
  log.InitLogPaths("Quorla_bing_setup");
  log.InitUserInfo(2, "3.1.0", "Quorla", "https://dl.test/Quorla_bing_setup.exe", false, 61);

  EXPECT_EQ(log.AddUserLog_simple("CrashRate", "Start", "", false), 0);
  EXPECT_EQ(log.AddUserLog_simple("Download", "1.Launch", "First", false), 0);
  EXPECT_EQ(log.AddUserLog_funnel("CoreFuncEvent", "BeforeDownload", 1, "Download", "Launch", "null", false, false), 0);
  EXPECT_EQ(log.AddUserLog_simple("Other", "FlowError", "DL024", false), 0);
  EXPECT_EQ(log.AddUserLog_funnelPair("StartDownloader", "PrivacyAgreementPopup", "PrivacyAgreementPopupType",
                                      "Agree and install", false, false),
            0);
  EXPECT_EQ(log.AddUserLog_simple("CrashRate", "Close", "0", true), 0);
  EXPECT_TRUE(log.WaitThreadForExit());

  EXPECT_EQ(WaitForPath(server, "/downloads/service/softwarelog.txt", 1).size(), 1u);
  const auto hits = WaitForPath(server, "/g/collect", 4);
  ASSERT_EQ(hits.size(), 4u);
  std::multiset<std::string> actions;
  for (const Json::Value& hit : hits) {
    EXPECT_EQ(hit["scheme"].asString(), "https");
    EXPECT_EQ(hit["status"].asInt(), 204);
    EXPECT_EQ(hit["fault"].asString(), "") << hit["target"].asString();
    EXPECT_EQ(hit["query"]["tid"].asString(), "G-5QK2W7HZ3N");
    EXPECT_EQ(hit["query"]["ep.cd2"].asString(), "PPC");
    EXPECT_EQ(hit["query"]["ep.cd3"].asString(), "CWNET-Bing");
    EXPECT_EQ(hit["query"]["ep.cd5"].asString(), "United States");
    actions.insert(hit["query"]["en"].asString());
  }
  EXPECT_EQ(actions, (std::multiset<std::string>{"Start", "1.Launch", "FlowError", "Close"}));

  // ErrorReporting, CoreFuncStart, DL024 step 1, Launch, the privacy pair, CoreFuncEnd.
  const auto reports = WaitForPath(server, "/collect", 6);
  ASSERT_EQ(reports.size(), 6u);
  std::multiset<std::string> funnelActions;
  for (const Json::Value& r : reports) {
    EXPECT_EQ(r["fault"].asString(), "") << r["body"].asString();
    const Json::Value body = ParseJsonObject(r["body"].asString(), 1 << 20).value_or(Json::Value());
    EXPECT_EQ(body["common"]["pid"].asInt(), 61);
    EXPECT_EQ(body["common"]["product"].asString(), "Quorla");
    EXPECT_EQ(body["common"]["is_new"].asInt(), 1);
    EXPECT_EQ(body["common"]["rnclid"].asString(), "bing");
    funnelActions.insert(body["actions"]["event_action"].asString());
  }
  EXPECT_EQ(funnelActions, (std::multiset<std::string>{"Error", "CoreFuncStart", "DL024", "Launch",
                                                        "PrivacyAgreementPopup", "CoreFuncEnd"}));
}

TEST_F(TelemetryEndToEnd, ErrorReportsGoToTheHostTestEnvPicks) {
  cwtest::LogCapture capture;
  // Silent, so the process-wide log sends no events of its own here.
  teletest::ScopedSettings productive("[Settings]\nAutoRun=1\nTestEnv=0\n");
  FuntionImpl::ErrorReportValues values{521, 2, "https://upd.test/q?a=1&b=2", "https://dl.test/x,y.exe"};
  EXPECT_EQ(FuntionImpl::SendErrorReport(FuntionImpl::EnumErrorReport::HashCheckFail, values), 0);
  EXPECT_TRUE(capture.has(" Send error report2, response is {\"code\":0,\"msg\":\"ok\"}, return 0"));
  {
    teletest::ScopedSettings test("[Settings]\nAutoRun=1\nTestEnv=1\n");
    EXPECT_EQ(FuntionImpl::SendErrorReport(FuntionImpl::EnumErrorReport::UrlTooManyRedirects, values), 0);
    EXPECT_TRUE(capture.has(" Send error report1, response is {\"code\":0,\"msg\":\"ok\"}, return 0"));
  }
  const auto sent = WaitForPath(server, "/api/exception/send", 2);
  ASSERT_EQ(sent.size(), 2u);
  for (const Json::Value& r : sent) {
    const std::string host = r["headers"]["Host"].asString();
    const std::string body = r["body"].asString();
    EXPECT_EQ(r["fault"].asString(), "") << body;
    if (body.find("Hash_Check_Fail_Cfg2") != std::string::npos) {
      EXPECT_EQ(host.rfind("localhost:", 0), 0u) << host;
      EXPECT_EQ(body, "pid=521&type=2&exception_code=Hash_Check_Fail_Cfg2&other=https://upd.test/q?a=1&b=2,"
                      "https://dl.test/x,y.exe");
    } else {
      EXPECT_EQ(host.rfind("127.0.0.1:", 0), 0u) << host;
      EXPECT_EQ(body.rfind("pid=521&type=2&exception_code=Url_Too_Many_Redirects&other=", 0), 0u) << body;
    }
  }
}

}  // namespace
