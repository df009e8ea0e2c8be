// The transport against the devserver: what arrives, and what each answer
// makes of the return code.
#include "TelemetryDevServer.h"
#include "support/TestSupport.h"
#include "weblog/IWebLog.h"
#include "weblog/JsonText.h"
#include "weblog/WebLog.h"

#include "platform/registry.h"

#include <gtest/gtest.h>

namespace {

using teletest::WaitForPath;

const char kHit[] = "&tid=G-5QK2W7HZ3N&ep.cw_productname=Downloader&ep.cw_productversion=1.0.0.1"
                    "&ep.cw_category=Download&ep.cw_action=1.Launch&ep.cw_label=First Run&en=1.Launch"
                    "&ep.cd1=1.0.0.1&ep.cd2=SEO&ep.cd3=61&ep.cd4=Quorla&ep.cd5=United States&ep.cd6=English"
                    "&ep.cd7=Linux 64bit&ep.cd8=1";

class WebLogService : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.ready()); }
  WebLogConfig Config() const { return teletest::HttpConfig(server, folder.path()); }

  devtest::DevServer server;
  cwtest::TempDir folder;
  cwtest::TempDir registry;
  cwtest::ScopedEnv registryRoot{"CW_REGISTRY_ROOT", registry.path()};
};

TEST_F(WebLogService, Ga4HitArrivesEncodedAndOnly204Succeeds) {
  WebLog log(Config());
  EXPECT_EQ(log.GA4DataReport(kHit), 0);
  const auto hits = WaitForPath(server, "/g/collect", 1);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0]["fault"].asString(), "");
  EXPECT_EQ(hits[0]["method"].asString(), "POST");
  EXPECT_EQ(hits[0]["body_size"].asInt(), 0);
  EXPECT_EQ(hits[0]["query"]["cid"].asString(), "4F3C2B1AAABBCCDDEE01");
  EXPECT_EQ(hits[0]["query"]["v"].asString(), "2");
  EXPECT_EQ(hits[0]["query"]["ep.cw_label"].asString(), "First Run");
  const std::string target = hits[0]["target"].asString();
  EXPECT_NE(target.find("&ep.cw_label=First%20Run&en=1.Launch"), std::string::npos) << target;
  EXPECT_NE(target.find("&ep.cd7=Linux%2064bit&ep.cd8=1"), std::string::npos) << target;

  ASSERT_EQ(server.Control(R"({"analytics":{"ga4_mode":"200"}})"), 200);
  EXPECT_EQ(log.GA4DataReport(kHit), -1);
  ASSERT_EQ(server.Control(R"({"analytics":{"ga4_mode":"400"}})"), 200);
  EXPECT_EQ(log.GA4DataReport(kHit), -1);
  EXPECT_EQ(WaitForPath(server, "/g/collect", 3).size(), 3u);
  EXPECT_NE(cwtest::ReadFile(log.logFilePath()).find("CURLE_OK(0). The return value of[client.GetResponseCode())] is 400"),
            std::string::npos);
}

TEST_F(WebLogService, FunnelReportsShareTheSessionAndFollowTheTestSwitch) {
  WebLog first(Config());
  WebLog second(Config());
  const std::string event = R"({"pid":61,"brand":"PC","actions":{"event_action":"Launch"}})";
  EXPECT_EQ(first.SoftDataReport(event), 0);
  EXPECT_EQ(second.SoftDataReport(event), 0);
  const auto reports = WaitForPath(server, "/collect", 2);
  ASSERT_EQ(reports.size(), 2u);
  std::vector<std::string> sessions;
  for (const Json::Value& r : reports) {
    const Json::Value body = ParseJsonObject(r["body"].asString(), 1 << 20).value_or(Json::Value());
    EXPECT_EQ(r["headers"]["Content-Type"].asString(), "application/json; charset=utf-8");
    EXPECT_EQ(body["common"]["pid"].asInt(), 61);
    EXPECT_EQ(body["actions"]["event_action"].asString(), "Launch");
    sessions.push_back(body["common"]["session_id"].asString());
  }
  EXPECT_EQ(sessions[0].size(), 32u);
  EXPECT_EQ(sessions[0], sessions[1]);

  cwtest::WriteFile(folder / "test", "");
  EXPECT_EQ(first.SoftDataReport(event), 0);
  EXPECT_EQ(WaitForPath(server, "/collector", 1).size(), 1u);
  // The GA4 hit has no test endpoint.
  EXPECT_EQ(first.GA4DataReport(kHit), 0);
  EXPECT_EQ(WaitForPath(server, "/g/collect", 1).size(), 1u);

  // Any other answer than 200: the status minus 200.
  ASSERT_EQ(server.Control(R"({"faults":{"status":503,"path_prefix":"/collector"}})"), 200);
  EXPECT_EQ(first.SoftDataReport(event), 303);
  const std::string log = cwtest::ReadFile(first.logFilePath());
  EXPECT_NE(log.find("WebLog::SoftDataReport response code:503\n"), std::string::npos);
  EXPECT_NE(log.find("WebLog::SoftDataReport response code:200\n"), std::string::npos);
}

TEST_F(WebLogService, NewIdentityIsStoredAndAKnownOneIsQueried) {
  WebLogConfig config = Config();
  config.userCheckBase = "http://127.0.0.1:1";  // replaced by softwarelog.txt
  WebLog fresh(config);
  std::string guid, record;
  EXPECT_EQ(fresh.QueryUserInfo(guid, record), 0);
  EXPECT_EQ(guid.size(), 36u);
  EXPECT_EQ(record, "1001");
  std::string stored, userId;
  EXPECT_TRUE(cwplat::RegGetString(cwplat::RegHive::CurrentUser, "SOFTWARE\\GuidGuidold", "guid", stored));
  EXPECT_TRUE(cwplat::RegGetString(cwplat::RegHive::CurrentUser, "SOFTWARE\\GuidGuidold", "user_id", userId));
  EXPECT_EQ(stored, guid);
  EXPECT_EQ(userId, "1001");
  const auto fetches = WaitForPath(server, "/downloads/service/softwarelog.txt", 1);
  ASSERT_EQ(fetches.size(), 1u);
  EXPECT_EQ(fetches[0]["headers"]["Accept-Language"].asString(), "zh-cn");
  EXPECT_EQ(fetches[0]["headers"]["Accept"].asString(), "*/*");
  EXPECT_EQ(fetches[0]["headers"]["Accept-Encoding"].asString(), "gzip, deflate");
  EXPECT_EQ(fetches[0]["headers"]["User-Agent"].asString(),
            "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)");
  // Asked once per transport.
  EXPECT_EQ(fresh.QueryUserInfo(guid, record), 0);
  EXPECT_EQ(teletest::RecordsAt(server, "/downloads/service/softwarelog.txt").size(), 1u);

  ASSERT_EQ(server.Control(R"({"user_check":{"query_user":"{\"user\":7}"}})"), 200);
  WebLog known(config);
  std::string knownGuid, knownRecord;
  EXPECT_EQ(known.QueryUserInfo(knownGuid, knownRecord), 0);
  EXPECT_EQ(knownGuid, guid);
  EXPECT_EQ(knownRecord, "{\"user\":7}");
  const auto queries = WaitForPath(server, "/QueryUser", 1);
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0]["query"]["guid"].asString(), guid);
}

TEST_F(WebLogService, UnusableAnswersKeepTheDefaultsAndAFailedQueryMakesANewUser) {
  ASSERT_TRUE(cwplat::RegSetString(cwplat::RegHive::CurrentUser, "SOFTWARE\\GuidGuidold", "guid",
                                   "0123ABCD-4567-89EF-A1B2-C3D4E5F60718"));
  // An error page that mentions an address is not a base URL; the default
  // user-check base (the devserver) stays, and its QueryUser fails three times.
  ASSERT_EQ(server.Control(R"({"user_check":{"softwarelog":"<html>see http://evil.test</html>"},)"
                           R"("faults":{"status":500,"count":3,"path_prefix":"/QueryUser"}})"),
            200);
  WebLog log(Config());
  std::string guid, record;
  EXPECT_EQ(log.QueryUserInfo(guid, record), 0);
  EXPECT_EQ(WaitForPath(server, "/QueryUser", 3).size(), 3u);
  EXPECT_NE(guid, "0123ABCD-4567-89EF-A1B2-C3D4E5F60718");
  EXPECT_EQ(record, "1001");
  std::string stored;
  ASSERT_TRUE(cwplat::RegGetString(cwplat::RegHive::CurrentUser, "SOFTWARE\\GuidGuidold", "guid", stored));
  EXPECT_EQ(stored, guid);
}

TEST_F(WebLogService, NsisLogAnswersAtOnceAndAsksForTheIdentityInTheBackground) {
  SetWebLogConfig(Config());
  EXPECT_EQ(NSISLog(1, 2, 3, 4), 0);
  EXPECT_EQ(NSISLog(5, 6, 7, 8), 0);
  EXPECT_EQ(WaitForPath(server, "/downloads/service/softwarelog.txt", 1).size(), 1u);
  SetWebLogConfig({});
}

}  // namespace
