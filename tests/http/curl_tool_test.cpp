#include "CLibcurlTool.h"
#include "SegmentSink.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

class FakeSink : public CSegmentSink {
 public:
  std::size_t downloadFunc(const char*, std::size_t size, std::size_t nmemb) override {
    bytes += size * nmemb;
    return nmemb;
  }
  std::int64_t expectedContentLength() const override { return expected; }
  std::string& cdnText() override { return cdn; }
  const std::string& probeCdnText() const override { return probeCdn; }
  int taskId() const override { return 3; }
  bool taskLogging() const override { return true; }

  std::int64_t expected = 1000;
  std::string cdn, probeCdn;
  std::size_t bytes = 0;
};

std::size_t Feed(FakeSink& sink, std::string line) {
  return CLibcurlTool::HeaderCallback(line.data(), 1, line.size(), &sink);
}

TEST(HeaderCallback, ContentRangeTotalMustMatchInEverySpellingOfTheName) {
  // HTTP/2 always delivers lower-case names; HTTP/1.1 servers may send any case.
  for (const std::string name : {"Content-Range", "content-range", "CONTENT-RANGE", "cOnTeNt-RaNgE"}) {
    SCOPED_TRACE(name);
    cwtest::LogCapture log;
    FakeSink sink;
    const std::string good = name + ": bytes 0-99/1000\r\n";
    EXPECT_EQ(Feed(sink, good), good.size());
    const std::string wrongTotal = name + ": bytes 0-99/1001\r\n";
    EXPECT_EQ(Feed(sink, wrongTotal), 0u);
    EXPECT_TRUE(log.has(" HeaderCallback error1: 1000 != " + wrongTotal));
    const std::string noTotal = name + ": bytes 0-99\r\n";
    EXPECT_EQ(Feed(sink, noTotal), 0u);
    EXPECT_TRUE(log.has(" HeaderCallback error2: " + noTotal));
    EXPECT_EQ(Feed(sink, name + ": bytes */\r\n"), 0u);
    EXPECT_EQ(Feed(sink, name + ": bytes 0-1/99999999999999999999999\r\n"), 0u);
    EXPECT_EQ(Feed(sink, name + ": bytes 0-99/-1000\r\n"), 0u);
    // Nothing is checked when no size is expected.
    sink.expected = 0;
    EXPECT_EQ(Feed(sink, wrongTotal), wrongTotal.size());
  }
  // A name cut short is no Content-Range.
  FakeSink sink;
  EXPECT_EQ(Feed(sink, "content-rang: bytes 0-99/1001\r\n"), 31u);
  EXPECT_EQ(Feed(sink, "content-"), 8u);
}

TEST(HeaderCallback, CdnHeadersBuildTheCdnText) {
  FakeSink sink;
  Feed(sink, "CF-RAY: 7d1a2b3c4d5e6f7a-LAX\r\n");
  EXPECT_EQ(sink.cdn, "LAX");
  Feed(sink, "CF-Cache-Status: HIT\r\n");
  EXPECT_EQ(sink.cdn, "HIT/LAX");
  Feed(sink, "cf-cache-status: MISS\r\n");
  EXPECT_EQ(sink.cdn, "HIT/LAX");
  // Equal to what the probe saw: nothing new to report.
  FakeSink same;
  same.probeCdn = "SJC";
  Feed(same, "CF-RAY: abc-SJC\r\n");
  EXPECT_EQ(same.cdn, "");
  // Degenerate lines stay in bounds.
  FakeSink odd;
  Feed(odd, "CF-RAY:");
  Feed(odd, "CF-Cache-Status:");
  EXPECT_EQ(odd.cdn, "");
}

TEST(CurlTool, WithoutHandleEveryOperationFailsWithInit) {
  cwtest::LogCapture log;
  CLibcurlTool tool;
  FakeSink sink;
  char headers[CLibcurlTool::kHeaderBufferSize];
  std::memset(headers, 'x', sizeof headers);
  long status = 5;
  std::string body;
  EXPECT_EQ(tool.httpDownloadContent("http://127.0.0.1:1/", 0, 9, 0, &sink), CURLE_FAILED_INIT);
  EXPECT_EQ(tool.httpGet("http://127.0.0.1:1/", headers, status), CURLE_FAILED_INIT);
  EXPECT_EQ(headers[0], '\0');
  EXPECT_EQ(tool.httpGet("http://127.0.0.1:1/", body), CURLE_FAILED_INIT);
  EXPECT_EQ(log.count(" curl easy init fail !!!"), 3u);
  EXPECT_TRUE(log.has(" Request Range: (3, 9) 0-9"));
}

TEST(CurlTool, FigureErrorTable) {
  cwtest::LogCapture log;
  EXPECT_EQ(CLibcurlTool::figureError(CURLE_COULDNT_RESOLVE_HOST), 1);
  CLibcurlTool::figureError(CURLE_WRITE_ERROR);
  CLibcurlTool::figureError(static_cast<CURLcode>(14));
  CLibcurlTool::figureError(CURLE_OPERATION_TIMEDOUT);
  CLibcurlTool::figureError(CURLE_TOO_MANY_REDIRECTS);
  CLibcurlTool::figureError(CURLE_UNSUPPORTED_PROTOCOL);
  EXPECT_TRUE(log.has(" cannt resovlve server!"));
  EXPECT_TRUE(log.has(" 接收数据错误"));
  EXPECT_TRUE(log.has(" Curl unknow error!"));
  EXPECT_TRUE(log.has(" Curl Time out"));
  EXPECT_TRUE(log.has(" Curl Else Error: 47"));
  EXPECT_TRUE(log.has(" ProtoControl Unsupport!"));
}

}  // namespace

#include "ProxyConfig.h"
#include "support/TestSupport.h"

namespace {

TEST(ProxyConfig, LogsTheProxySettingsThatApply) {
  cwtest::ScopedEnv a("auto_proxy", std::nullopt), h("http_proxy", std::nullopt), s("https_proxy", std::nullopt),
      S("HTTPS_PROXY", std::nullopt), all("all_proxy", std::nullopt), ALL("ALL_PROXY", std::nullopt),
      n("no_proxy", std::nullopt), N("NO_PROXY", std::nullopt);
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> env;
    int result;
    std::vector<std::string> lines;
  };
  const std::string proxy = "http_proxy", secure = "HTTPS_PROXY";
  const Case cases[] = {
      // No settings at all: the read fails with file not found, and that is the only line.
      {"nothing", {}, 0, {" Get proxy: 0, 2"}},
      // A bypass list alone is a setting: the read succeeds.
      {"bypass only", {{"NO_PROXY", "intranet.example"}}, 3, {" Get proxy: 1, 0"}},
      {"proxies",
       {{proxy, "http://proxy.example:3128"}, {secure, "http://proxy.example:3129"}},
       2,
       {" Get proxy: 1, 0", " Proxy info2: http=http://proxy.example:3128;https=http://proxy.example:3129"}},
      {"proxies and bypass",
       {{proxy, "http://proxy.example:3128"},
        {secure, "http://proxy.example:3129"},
        {"no_proxy", "localhost,127.0.0.1"}},
       3,
       {" Get proxy: 1, 0", " Proxy info3: localhost,127.0.0.1"}},
  };
  for (const Case& c : cases) {
    std::vector<std::unique_ptr<cwtest::ScopedEnv>> env;
    for (const auto& [name, value] : c.env) env.push_back(std::make_unique<cwtest::ScopedEnv>(name, value));
    cwtest::LogCapture log;
    EXPECT_EQ(FuntionImpl::GetIEProxyConfig(), c.result) << c.what;
    for (const std::string& line : c.lines) EXPECT_TRUE(log.has(line)) << c.what << ":" << line;
    if (c.env.empty()) {
      EXPECT_EQ(log.lines().size(), 1u);
    } else {
      EXPECT_FALSE(log.has(" Get proxy: 0, 2")) << c.what;
    }
  }
}

}  // namespace
