// The configuration query end to end against the local update service.
#include "CConfigure.h"
#include "Deployment.h"
#include "LocalSettings.h"
#include "support/DevServerHarness.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(ConfigureDevServer, QueriesParsesAndHoldsTheAnswer) {
  devtest::DevServer server(R"({"update": {"downloader": {
      "Downloader_id": 521, "Site_id": 61, "Software_name": "Quorla Murmelon",
      "Download_url": "{base}/files/pattern.bin", "Extra_download_url": "http://dl.example.com/pattern.bin",
      "Md5": "{md5:pattern.bin}", "Filesize": "{size:pattern.bin}", "Downloader_config": 2, "Extra": "x"}}})",
                            true);
  ASSERT_TRUE(server.ready());
  const std::string base = server.Url("");
  const std::string port = base.substr(base.rfind(':') + 1);
  ASSERT_TRUE(CDeployment::Instance().LoadFromText(
      "<D><Service name=\"UpdateService\" host=\"127.0.0.1\" http_port=\"" + port + "\" https_port=\"" +
      server.HttpsUrl("").substr(server.HttpsUrl("").rfind(':') + 1) + "\"/><TlsTrustAnchor file=\"" + server.caFile() +
      "\"/></D>"));

  // Over HTTPS with the test CA trusted; the pre-fetch and the install thread race for it.
  CConfigure config(521, 1033, 61);
  config.setOsVersionProvider([] { return CConfigure::OsVersion{"Linux", 10.0f}; });
  int results[2] = {-1, -1};
  std::thread async([&] { results[0] = config.getDownloadInfoXml(false, false); });
  results[1] = config.getDownloadInfoXml(true, false);
  async.join();
  EXPECT_GE(results[0] + results[1], 1);
  ASSERT_TRUE(config.parseDownloadInfo());
  EXPECT_EQ(config.getFileSize(), static_cast<std::int64_t>(devtest::kPatternSize));
  EXPECT_EQ(config.getMd5().size(), 32u);
  EXPECT_EQ(config.getDownloaderConfig(), 2);
  EXPECT_EQ(config.getRemotePaths(), std::vector<std::string>{base + "/files/pattern.bin"});
  EXPECT_EQ(config.getDownloadInfoXml(true, true), 0);  // held: no third request

  int queries = 0;
  for (const auto& record : server.Records()) {
    if (record["path"].asString() == "/queryDownloaderV2") ++queries;
  }
  EXPECT_LE(queries, 2);
}

}  // namespace
