// The transport without any service answering: return codes, the endpoint and
// proxy choices as the diagnostic log shows them, and the exported symbols.
#include "support/ChildProcess.h"
#include "support/TestSupport.h"
#include "weblog/IWebLog.h"
#include "weblog/MachineFacts.h"
#include "weblog/WebLog.h"
#include "weblog/WebLogConfig.h"

#include <gtest/gtest.h>

#include <curl/curl.h>

namespace {

// Nothing listens on port 1 of the loopback address.
constexpr const char* kDeadBase = "http://127.0.0.1:1";

WebLogConfig DeadConfig(const std::string& folder) {
  WebLogConfig config;
  config.userCheckBase = config.downloadSiteBase = config.collectBase = config.collectTestBase = config.ga4Base =
      kDeadBase;
  config.workingFolder = folder;
  config.machineFacts = [] { return MachineFacts{"uuid-1", "AABBCCDDEE01", 0x1234ABCD, "Linux", "6.1"}; };
  return config;
}

std::string DiagnosticLog(const cwtest::TempDir& dir) { return cwtest::ReadFile(dir / "Logs/SoftwareLog.log"); }

TEST(WebLogOffline, ReturnCodesWithoutAService) {
  cwtest::TempDir dir;
  WebLog log(DeadConfig(dir.path()));
  EXPECT_EQ(log.GA4DataReport(""), 254);
  EXPECT_EQ(log.GA4DataReport("&tid=x&ep.cw_label=a b"), 253);
  EXPECT_EQ(log.SoftDataReport("{}"), CURLE_COULDNT_CONNECT);
  EXPECT_EQ(log.logFilePath(), dir / "Logs/SoftwareLog.log");
  const std::string text = DiagnosticLog(dir);
  EXPECT_NE(text.find("WebLog::GA4DataReport SoftwareGT4 POSTURL:http://127.0.0.1:1/g/collect?v=2&cid=1234ABCDAABBCCDDEE01"
                      "&tid=x&ep.cw_label=a%20b. The return value of [client.Post()] is not CURLE_OK(0), but7\n"),
            std::string::npos)
      << text;
  for (const char* line : {"WebLog::SoftDataReport SoftDataReport begin\n", "WebLog::SoftDataReport Arg jsonStr:{}\n",
                           "WebLog::SoftDataReport url:http://127.0.0.1:1/collect\n",
                           "WebLog::SoftDataReport mac address:AABBCCDDEE01\n", "WebLog::SoftDataReport uid:uuid-1\n",
                           "WebLog::SoftDataReport post result:7\n", "WebLog::SoftDataReport SoftDataReport end\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(text.find("response code:"), std::string::npos);
}

TEST(WebLogOffline, TestSwitchAndProxyFileInTheWorkingFolder) {
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "test", "");
  // The proxy is used: the post now fails at the (dead) proxy.
  cwtest::WriteFile(dir / "proxy.txt", "127.0.0.1:9\r\nsecond line\n");
  WebLog log(DeadConfig(dir.path()));
  EXPECT_EQ(log.SoftDataReport("{}"), CURLE_COULDNT_CONNECT);
  const std::string text = DiagnosticLog(dir);
  EXPECT_NE(text.find("WebLog::SoftDataReport url:http://127.0.0.1:1/collector\n"), std::string::npos);
  EXPECT_NE(text.find("WebLog::SoftDataReport set proxy:127.0.0.1:9\n"), std::string::npos);

  cwtest::WriteFile(dir / "proxy.txt", "evil proxy\n");
  log.SoftDataReport("{}");
  EXPECT_NE(DiagnosticLog(dir).find("proxy.txt ignored: not a proxy address"), std::string::npos);
}

TEST(WebLogOffline, CreatedThroughTheEntryPointsWithTheStoredConfiguration) {
  cwtest::TempDir dir;
  SetWebLogConfig(DeadConfig(dir.path()));
  IWebLog* transport = CreateExportObj();
  ASSERT_NE(transport, nullptr);
  EXPECT_EQ(transport->Slot2(), IWebLog::kNotSupported);
  EXPECT_EQ(transport->Slot14(), IWebLog::kNotSupported);
  EXPECT_EQ(transport->GA4DataReport(""), 254);
  DestroyExportObj(transport);
  EXPECT_TRUE(cwtest::ReadFile(dir / "Logs/SoftwareLog.log").empty());
  SetWebLogConfig({});
}

TEST(WebLogOffline, TheExecutableExportsTheEntryPoints) {
  cwtest::TempDir dir;
  cwtest::ChildProcess nm("/usr/bin/nm", {"-D", "--defined-only", CW_DOWNLOADER_EXE}, {}, dir / "nm.txt");
  ASSERT_EQ(nm.Wait(30000), 0);
  const std::string symbols = cwtest::ReadFile(dir / "nm.txt");
  for (const char* name : {" T CreateExportObj\n", " T DestroyExportObj\n", " T NSISLog\n"}) {
    EXPECT_NE(symbols.find(name), std::string::npos) << name;
  }
}

}  // namespace
