// The HTTP client against the local service stack: redirects, header cuts,
// time-outs, the form POST and certificate checking both ways.
#include "CLibcurlTool.h"
#include "Deployment.h"
#include "LocalSettings.h"
#include "support/DevServerHarness.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class DevServerClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.ready());
    ASSERT_TRUE(tool.init());
  }
  devtest::DevServer server{"{}", true};
  CLibcurlTool tool;
};

TEST_F(DevServerClientTest, HeaderProbeFollowsAtMostFiveRedirects) {
  char headers[CLibcurlTool::kHeaderBufferSize];
  long status = 0;
  ASSERT_EQ(tool.httpGet(server.Url("/redirect/1/files/pattern.bin"), headers, status), CURLE_OK);
  EXPECT_EQ(status, 200);
  EXPECT_NE(std::string(headers).find("302"), std::string::npos);  // the whole chain's headers
  EXPECT_NE(std::string(headers).find("Content-Length: 1048576"), std::string::npos);

  ASSERT_EQ(tool.httpGet(server.Url("/redirect/5/files/pattern.bin"), headers, status), CURLE_OK);
  EXPECT_EQ(status, 200);

  cwtest::LogCapture log;
  EXPECT_EQ(tool.httpGet(server.Url("/redirect/6/files/pattern.bin"), headers, status), CURLE_TOO_MANY_REDIRECTS);
  EXPECT_EQ(status, 302);  // the status of the last 3xx seen
  EXPECT_TRUE(log.has(" Curl Else Error: 47"));

  EXPECT_EQ(tool.httpGet(server.Url("/redirect-loop/files/pattern.bin"), headers, status),
            CURLE_TOO_MANY_REDIRECTS);
}

TEST_F(DevServerClientTest, LongHeaderTextIsCutToATerminatedString) {
  // Each hop repeats the long query in its Location header.
  const std::string url = server.Url("/redirect/4/files/pattern.bin?pad=" + std::string(900, 'p'));
  char headers[CLibcurlTool::kHeaderBufferSize + 16];
  std::memset(headers, 'X', sizeof headers);
  long status = 0;
  ASSERT_EQ(tool.httpGet(url, headers, status), CURLE_OK);
  EXPECT_EQ(std::strlen(headers), CLibcurlTool::kHeaderBufferSize - 1);
  EXPECT_EQ(headers[CLibcurlTool::kHeaderBufferSize], 'X');  // nothing written past the caller's buffer
  EXPECT_EQ(std::string(headers).find("Content-Length: 1048576"), std::string::npos);  // beyond the cut
  EXPECT_EQ(status, 200);
}

TEST_F(DevServerClientTest, DocumentGetTimesOutAfterFiveSeconds) {
  std::string body;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(tool.httpGet(server.Url("/queryDownloaderV2?LanguageId=1&SoftWareID=2&SiteID=3&mode=slow&slow_seconds=9"),
                         body),
            CURLE_OPERATION_TIMEDOUT);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_GE(seconds, 4.5);
  EXPECT_LT(seconds, 8.0);

  ASSERT_EQ(tool.httpGet(server.Url("/queryDownloaderV2?LanguageId=1&SoftWareID=2&SiteID=3"), body), CURLE_OK);
  EXPECT_NE(body.find("<Downloader>"), std::string::npos);
}

TEST_F(DevServerClientTest, PostSendsTheBodyAndCollectsTheAnswer) {
  std::string response;
  ASSERT_EQ(CLibcurlTool::HttpPost(server.Url("/__control"), R"({"switches": {"cdn": "cf-miss"}})", response),
            CURLE_OK);
  EXPECT_NE(response.find("cf-miss"), std::string::npos);
  std::string refused;
  EXPECT_EQ(CLibcurlTool::HttpPost("http://127.0.0.1:1/x", "a=b", refused), CURLE_COULDNT_CONNECT);
}

TEST_F(DevServerClientTest, OnlyATlsAnchorMakesTheServerTrusted) {
  CDeployment& deployment = CDeployment::Instance();
  const std::string ca = "file=\"" + server.caFile() + "\"";
  // A settings file dropped beside the program cannot switch checking off.
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "cw_downloader.cfg", "[Settings]\nInsecureTls=1\nTestEnv=1\n");
  FuntionImpl::SetLocalSettingsPathForTesting(dir / "cw_downloader.cfg");
  const struct {
    std::string deployment;
    CURLcode expected;
  } cases[] = {
      {"<D/>", CURLE_PEER_FAILED_VERIFICATION},
      {"<D><CodeSigningTrustAnchor " + ca + "/></D>", CURLE_PEER_FAILED_VERIFICATION},
      {"<D><TrustAnchor " + ca + "/></D>", CURLE_PEER_FAILED_VERIFICATION},
      {"<D><TlsTrustAnchor " + ca + "/></D>", CURLE_OK},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(deployment.LoadFromText(c.deployment));
    std::string body;
    EXPECT_EQ(tool.httpGet(server.HttpsUrl("/files/pattern.bin"), body), c.expected) << c.deployment;
    if (c.expected == CURLE_OK) {
      EXPECT_EQ(body, devtest::PatternBytes(0, devtest::kPatternSize));
    }
  }
  FuntionImpl::SetLocalSettingsPathForTesting("");
}

}  // namespace
