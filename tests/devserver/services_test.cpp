// The update service, redirects, CDN headers, the record, HTTPS and shutdown.
#include "support/DevServerHarness.h"
#include "TestMd5.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>

namespace devtest {
namespace {

const char kQuery[] = "/queryDownloaderV2?LanguageId=1033&SoftWareID=521&SiteID=61";

const char kUpdateConfig[] = R"({
  "update": {
    "downloader": {
      "InstallTimeout": 600,
      "Downloader_id": 521,
      "Software_name": "Quorla Murmelon",
      "Download_url": "{base}/files/pattern.bin",
      "Md5": "{md5:pattern.bin}",
      "Filesize": "{size:pattern.bin}",
      "Process_name": "a<b&c",
      "Zz_unknown": "kept"
    }
  },
  "switches": {"cdn": "cf-hit", "cf_ray": "7d1a2b3c4d5e6f70-FRA"}
})";

TEST(UpdateServiceTest, AnswersTheConfiguredDownloaderBlock) {
  DevServer server(kUpdateConfig);
  const Reply reply = Fetch(server.Url(kQuery));
  ASSERT_EQ(reply.status, 200);
  const std::string expected =
      "<Downloader>\r\n"
      "<Downloader_id>521</Downloader_id>\r\n"
      "<Software_name>Quorla Murmelon</Software_name>\r\n"
      "<Process_name>a&lt;b&amp;c</Process_name>\r\n"
      "<Download_url>" + server.Url("/files/pattern.bin") + "</Download_url>\r\n"
      "<Md5>" + Md5Hex(PatternBytes(0, kPatternSize)) + "</Md5>\r\n"
      "<Filesize>1048576</Filesize>\r\n"
      "<InstallTimeout>600</InstallTimeout>\r\n"
      "<Zz_unknown>kept</Zz_unknown>\r\n"
      "</Downloader>";
  EXPECT_NE(reply.body.find(expected), std::string::npos) << reply.body;
  // Wrapped in an envelope, as the real service does.
  EXPECT_NE(reply.body.find("<?xml"), std::string::npos);
  EXPECT_GT(reply.body.size(), expected.size() + 20);
}

TEST(UpdateServiceTest, ModesFromTheQueryAndFromControl) {
  DevServer server(kUpdateConfig);
  Reply reply = Fetch(server.Url(std::string(kQuery) + "&mode=no_block"));
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body.find("<Downloader>"), std::string::npos);

  reply = Fetch(server.Url(std::string(kQuery) + "&mode=no_end_tag"));
  EXPECT_NE(reply.body.find("<Downloader>"), std::string::npos);
  EXPECT_EQ(reply.body.find("</Downloader>"), std::string::npos);

  EXPECT_EQ(Fetch(server.Url(std::string(kQuery) + "&mode=500")).status, 500);

  ASSERT_EQ(server.Control(R"({"update": {"mode": "slow", "slow_seconds": 1}})"), 200);
  reply = Fetch(server.Url(kQuery));
  EXPECT_EQ(reply.status, 200);
  EXPECT_GE(reply.seconds, 0.95);
  EXPECT_NE(reply.body.find("</Downloader>"), std::string::npos);

  // Control edits the block; null removes an element; reset restores the file's settings.
  ASSERT_EQ(server.Control(R"({"update": {"mode": "normal", "downloader": {"Md5": null, "Site_id": 7}}})"), 200);
  reply = Fetch(server.Url(kQuery));
  EXPECT_EQ(reply.body.find("<Md5>"), std::string::npos);
  EXPECT_NE(reply.body.find("<Site_id>7</Site_id>"), std::string::npos);
  ASSERT_EQ(server.Control(R"({"reset": true})"), 200);
  EXPECT_NE(Fetch(server.Url(kQuery)).body.find("<Md5>"), std::string::npos);

  EXPECT_EQ(server.Control(R"({"update": {"mode": "sometimes"}})"), 400);
}

TEST(UpdateServiceTest, QueryWithoutItsParametersIsRefused) {
  DevServer server(kUpdateConfig);
  EXPECT_EQ(Fetch(server.Url("/queryDownloaderV2?LanguageId=1033&SoftWareID=521")).status, 400);
  EXPECT_EQ(Fetch(server.Url("/queryDownloaderV2?LanguageId=x&SoftWareID=521&SiteID=61")).status, 400);
  // package_type is passed through without effect.
  EXPECT_EQ(Fetch(server.Url(std::string(kQuery) + "&package_type=5")).status, 200);
}

TEST(RedirectTest, ChainsEndAtTheFile) {
  DevServer server;
  Request follow;
  follow.follow = true;
  follow.range = "5-9";
  Reply reply = Fetch(server.Url("/redirect/3/files/pattern.bin"), follow);
  EXPECT_EQ(reply.code, CURLE_OK);
  EXPECT_EQ(reply.redirects, 3);
  EXPECT_EQ(reply.body, PatternBytes(5, 5));

  reply = Fetch(server.Url("/redirect-relative/2/files/pattern.bin"), follow);
  EXPECT_EQ(reply.redirects, 2);
  EXPECT_EQ(reply.body, PatternBytes(5, 5));

  // Absolute and relative Locations, the query carried along, the status chosen.
  Reply hop = Fetch(server.Url("/redirect/2/files/pattern.bin?code=301&x=1"));
  EXPECT_EQ(hop.status, 301);
  EXPECT_EQ(hop.Header("Location"), server.Url("/redirect/1/files/pattern.bin?code=301&x=1"));
  hop = Fetch(server.Url("/redirect-relative/1/files/pattern.bin"));
  EXPECT_EQ(hop.status, 302);
  EXPECT_EQ(hop.Header("Location"), "/files/pattern.bin");

  follow.maxRedirects = 5;
  reply = Fetch(server.Url("/redirect/6/files/pattern.bin"), follow);
  EXPECT_EQ(reply.code, CURLE_TOO_MANY_REDIRECTS);
  reply = Fetch(server.Url("/redirect-loop/a"), follow);
  EXPECT_EQ(reply.code, CURLE_TOO_MANY_REDIRECTS);
  EXPECT_EQ(reply.status, 302);

  EXPECT_EQ(Fetch(server.Url("/redirect/0/files/pattern.bin")).status, 400);
}

TEST(HeaderStyleTest, CdnHeadersAndLowerCaseNames) {
  DevServer server(kUpdateConfig);  // configured: Cloudflare HIT
  Request head;
  head.method = "HEAD";
  Reply reply = Fetch(server.Url("/files/pattern.bin"), head);
  EXPECT_EQ(reply.Header("CF-RAY"), "7d1a2b3c4d5e6f70-FRA");
  EXPECT_EQ(reply.Header("CF-Cache-Status"), "HIT");
  EXPECT_EQ(reply.Header("X-Cache"), "");

  reply = Fetch(server.Url("/files/pattern.bin?cdn=cf-miss,cloudfront"), head);
  EXPECT_EQ(reply.Header("CF-Cache-Status"), "MISS");
  EXPECT_EQ(reply.Header("X-Cache"), "Hit from cloudfront");

  reply = Fetch(server.Url("/files/pattern.bin?cdn=cloudfront&lower=1"), head);
  EXPECT_EQ(reply.Header("x-cache"), "Hit from cloudfront");
  EXPECT_EQ(reply.Header("X-Cache"), "");
  EXPECT_EQ(reply.Header("CF-RAY"), "");
  EXPECT_EQ(reply.Header("content-length"), std::to_string(kPatternSize));

  ASSERT_EQ(server.Control(R"({"switches": {"lowercase_headers": true, "cdn": "cf-hit"}})"), 200);
  Request ranged;
  ranged.range = "0-1";
  reply = Fetch(server.Url("/files/pattern.bin"), ranged);
  EXPECT_EQ(reply.Header("content-range"), "bytes 0-1/1048576");
  EXPECT_EQ(reply.Header("cf-ray"), "7d1a2b3c4d5e6f70-FRA");
  EXPECT_EQ(reply.Header("cf-cache-status"), "HIT");
  EXPECT_EQ(reply.Header("Content-Range"), "");
  reply = Fetch(server.Url("/redirect/1/files/pattern.bin"));
  EXPECT_EQ(reply.Header("location"), server.Url("/files/pattern.bin"));
  EXPECT_EQ(reply.Header("Location"), "");
}

TEST(RecordTest, OneLinePerRequestWithWhatHappened) {
  DevServer server;
  Request post;
  post.method = "POST";
  post.body = "a=1&b=two";
  post.headers = {"X-Test: yes"};
  Fetch(server.Url("/no-such-service?v=2"), post);
  Request ranged;
  ranged.range = "0-99";
  Fetch(server.Url("/files/pattern.bin?reset_after=10"), ranged);
  Fetch(server.Url("/files/pattern.bin?status=503"));
  ASSERT_TRUE(server.WaitForRecords(3));
  // Lines come in the order the answers completed, which may differ from the order of arrival.
  std::map<std::string, Json::Value> byTarget;
  for (const Json::Value& record : server.Records()) byTarget[record["target"].asString()] = record;
  ASSERT_EQ(byTarget.size(), 3u);

  const Json::Value& line = byTarget["/no-such-service?v=2"];
  EXPECT_EQ(line["method"].asString(), "POST");
  EXPECT_EQ(line["path"].asString(), "/no-such-service");
  EXPECT_EQ(line["query"]["v"].asString(), "2");
  EXPECT_EQ(line["headers"]["X-Test"].asString(), "yes");
  EXPECT_EQ(line["body_size"].asUInt64(), 9u);
  EXPECT_EQ(line["body"].asString(), "a=1&b=two");
  EXPECT_EQ(line["status"].asInt(), 404);  // no service there
  EXPECT_EQ(line["scheme"].asString(), "http");
  EXPECT_FALSE(line["time"].asString().empty());
  EXPECT_FALSE(line["headers"].isMember("REMOTE_ADDR"));
  EXPECT_FALSE(line["query"].isMember("a"));  // form fields are not the query

  const Json::Value& reset = byTarget["/files/pattern.bin?reset_after=10"];
  EXPECT_EQ(reset["status"].asInt(), 206);
  EXPECT_EQ(reset["fault"].asString(), "reset_after=10");
  EXPECT_EQ(reset["sent"].asUInt64(), 10u);
  EXPECT_EQ(reset["headers"]["Range"].asString(), "bytes=0-99");
  const Json::Value& failed = byTarget["/files/pattern.bin?status=503"];
  EXPECT_EQ(failed["status"].asInt(), 503);
  EXPECT_EQ(failed["fault"].asString(), "status=503");
}

TEST(RecordTest, FaultSwitchesInAFormBodyAreNotFaults) {
  DevServer server;
  Request post;
  post.method = "POST";
  post.body = "status=503";
  EXPECT_EQ(Fetch(server.Url("/files/pattern.bin"), post).status, 405);
  EXPECT_EQ(Fetch(server.Url("/no-such-service"), post).status, 404);
}

TEST(HttpsTest, VerifiesWithTheTestCaAndFailsWithoutIt) {
  DevServer server("{}", true);
  ASSERT_TRUE(server.ready());
  Request trusted;
  trusted.caFile = server.caFile();
  trusted.range = "0-9";
  Reply reply = Fetch(server.HttpsUrl("/files/pattern.bin"), trusted);
  EXPECT_EQ(reply.code, CURLE_OK);
  EXPECT_EQ(reply.body, PatternBytes(0, 10));

  std::string byName = server.HttpsUrl("/files/pattern.bin");
  byName.replace(byName.find("127.0.0.1"), 9, "localhost");
  EXPECT_EQ(Fetch(byName, trusted).code, CURLE_OK);

  EXPECT_EQ(Fetch(server.HttpsUrl("/files/pattern.bin")).code, CURLE_PEER_FAILED_VERIFICATION);

  // Redirects may cross to the other scheme.
  Request follow = trusted;
  follow.follow = true;
  reply = Fetch(server.Url("/redirect/1/files/pattern.bin?scheme=https"), follow);
  EXPECT_EQ(reply.code, CURLE_OK);
  EXPECT_EQ(reply.body, PatternBytes(0, 10));
  ASSERT_TRUE(server.WaitForRecords(4));
  EXPECT_EQ(server.Records().back()["scheme"].asString(), "https");
}

TEST(LifecycleTest, SigtermEndsTheServerPromptlyEvenMidStall) {
  DevServer server;
  ASSERT_TRUE(server.ready());
  EXPECT_NE(server.output().find("devserver http="), std::string::npos);
  std::thread client([&] { Fetch(server.Url("/files/pattern.bin?stall=60")); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the request is now stalled
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(server.Stop(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  client.join();
}

}  // namespace
}  // namespace devtest
