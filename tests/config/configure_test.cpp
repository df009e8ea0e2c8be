#include "CConfigure.h"
#include "Deployment.h"
#include "EmbeddedLabels.h"
#include "LocalSettings.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char* kAnswer = R"(<html>junk<Downloader>
  <Downloader_id>521</Downloader_id><Software_id>77</Software_id><Site_id>2</Site_id>
  <Software_name>Quorla Murmelon</Software_name><Software_version>2.0.1</Software_version>
  <Process_name>Murmelon.exe&#13;&#10;</Process_name>
  <Download_url>
http://www.example.com/files/Setup.exe
</Download_url>
  <Extra_download_url>http://dl.example.com/files/Setup.exe</Extra_download_url>
  <Md5>0123456789ABCDEF0123456789ABCDEF</Md5><Filesize>4294967796</Filesize>
  <Downloader_type>2</Downloader_type><Downloader_config>1</Downloader_config>
  <Unknown>whatever</Unknown>
</Downloader> trailing <Downloader>second</Downloader>)";

class ConfigureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CDeployment::Instance().LoadFromText(
        R"(<D><Service name="UpdateService" host="intl.example" http_port="8080" https_port="8443"/>
              <Service name="UpdateServiceRegional" host="cn.example"/></D>)"));
    FuntionImpl::SetLocalSettingsPathForTesting(dir / "cw_downloader.cfg");
  }
  void TearDown() override { FuntionImpl::SetLocalSettingsPathForTesting(""); }

  // A record whose fetches are answered by `body` with `result`, counted.
  std::unique_ptr<CConfigure> Make(const std::string& body, int result = 0, float osVersion = 10.0f) {
    auto c = std::make_unique<CConfigure>(521, 1033, 61);
    c->setOsVersionProvider([osVersion] { return CConfigure::OsVersion{"TestOS", osVersion}; });
    c->setFetcher([this, body, result](const std::string& url, std::string& out) {
      urls.push_back(url);
      out = body;
      return result;
    });
    return c;
  }

  cwtest::TempDir dir;
  std::vector<std::string> urls;
};

TEST_F(ConfigureTest, CutsTheFirstCompleteBlock) {
  EXPECT_EQ(CConfigure::cutDownloaderBlock("a<Downloader>x</Downloader>b"), "<Downloader>x</Downloader>");
  EXPECT_EQ(CConfigure::cutDownloaderBlock("<Downloader>no end"), "");
  EXPECT_EQ(CConfigure::cutDownloaderBlock("</Downloader><Downloader>"), "");
  EXPECT_EQ(CConfigure::cutDownloaderBlock("<Downloader></Downloader>"), "<Downloader></Downloader>");
  EXPECT_EQ(CConfigure::cutDownloaderBlock(""), "");
}

TEST_F(ConfigureTest, QueryUrlLabelsAndHeldAnswer) {
  cwtest::LogCapture log;
  auto c = Make(kAnswer);
  EXPECT_EQ(c->getDownloadInfoXml(true, false), 1);
  EXPECT_EQ(c->getQueryUrl(), "https://intl.example:8443/queryDownloaderV2?LanguageId=1033&SoftWareID=521&SiteID=61");
  EXPECT_TRUE(log.has(" GetCbsInfo New interface V2(Sync com): 0, " + std::to_string(std::string(kAnswer).size()) +
                      ", TestOS, 10"));
  EXPECT_TRUE(log.has(" Funnel event Download / Get download configuration Configuration URL=intl.example "
                      "Download configurationType=Success"));
  // A held answer makes every later query a no-op, whoever asks.
  EXPECT_EQ(c->getDownloadInfoXml(false, true), 0);
  EXPECT_EQ(urls.size(), 1u);

  auto old = Make(kAnswer, 0, 8.1f);
  EXPECT_EQ(old->getDownloadInfoXml(false, true), 1);
  EXPECT_EQ(old->getQueryUrl(),
            "https://cn.example/queryDownloaderV2?LanguageId=1033&SoftWareID=521&SiteID=61&package_type=5");
  EXPECT_TRUE(log.has(" User event Other / AsyncGetCbsTime / 0"));

  cwtest::WriteFile(dir / "cw_downloader.cfg", "[Settings]\nTestEnv=1\n");
  auto test = Make(kAnswer, 0, 11.0f);
  EXPECT_EQ(test->getDownloadInfoXml(true, true), 1);
  EXPECT_EQ(test->getQueryUrl(), "http://intl.example:8080/queryDownloaderV2?LanguageId=1033&SoftWareID=521&SiteID=61");
  EXPECT_TRUE(log.has("(Sync test): 0, " + std::to_string(std::string(kAnswer).size()) + ", TestOS, 11"));
}

TEST_F(ConfigureTest, FailedQueriesHoldNothing) {
  cwtest::LogCapture log;
  auto noEnd = Make("<Downloader><Md5>x</Md5>");
  EXPECT_EQ(noEnd->getDownloadInfoXml(true, false), 0);
  EXPECT_EQ(noEnd->getDownloadInfo(), "");
  EXPECT_EQ(noEnd->getDownloadInfoXml(true, false), 0);
  EXPECT_EQ(urls.size(), 2u);  // nothing held, so the second query went out too

  auto unresolved = Make("", 6);
  EXPECT_EQ(unresolved->getDownloadInfoXml(true, false), 0);
  EXPECT_TRUE(log.has(" User event Other / FlowError / DL003"));
  auto timedOut = Make("<Downloader>", 28);
  EXPECT_EQ(timedOut->getDownloadInfoXml(true, false), 0);
  EXPECT_TRUE(log.has(" User event Other / FlowError / DL002"));
}

TEST_F(ConfigureTest, ParsesEveryElementAndFillsRemotePaths) {
  auto c = Make(kAnswer);
  ASSERT_EQ(c->getDownloadInfoXml(true, false), 1);
  ASSERT_TRUE(c->parseDownloadInfo());
  EXPECT_EQ(c->getState(), 2);
  EXPECT_EQ(c->getConfigSource(), 1);
  EXPECT_EQ(c->getSoftwareId(), 77);
  EXPECT_EQ(c->getSiteId(), 2);
  EXPECT_EQ(c->getProcessName(), "Murmelon.exe");
  EXPECT_EQ(c->getDownloadUrl(), "http://www.example.com/files/Setup.exe");
  EXPECT_EQ(c->getFileSize(), 4294967796LL);
  EXPECT_EQ(c->getDownloaderType(), 2);
  EXPECT_EQ(c->getDownloaderConfig(), 1);
  EXPECT_EQ(c->getInstallTimeout(), 240);  // not in the answer: keeps its value
  EXPECT_EQ(c->getLanguageId(), 1033);
  // The dl. host never becomes a remote path.
  EXPECT_EQ(c->getRemotePaths(), std::vector<std::string>{"http://www.example.com/files/Setup.exe"});
}

TEST_F(ConfigureTest, BadAnswersGiveClearResults) {
  auto junk = Make("<Downloader><Site_id>12abc</Site_id><Filesize>99999999999999999999</Filesize>"
                         "<Software_id>-3</Software_id></Downloader>");
  ASSERT_EQ(junk->getDownloadInfoXml(true, false), 1);
  ASSERT_TRUE(junk->parseDownloadInfo());
  EXPECT_EQ(junk->getSiteId(), 0);
  EXPECT_EQ(junk->getFileSize(), 0);
  EXPECT_EQ(junk->getSoftwareId(), -3);

  auto broken = Make("<Downloader><a></b></Downloader>");
  ASSERT_EQ(broken->getDownloadInfoXml(true, false), 1);
  EXPECT_FALSE(broken->parseDownloadInfo());
  EXPECT_EQ(broken->getState(), 1);

  CConfigure nothing(1, 2, 3);
  EXPECT_FALSE(nothing.parseDownloadInfo());
  EXPECT_EQ(nothing.getState(), 1);

  std::string deep = "<Downloader>";
  for (int i = 0; i < 5000; ++i) deep += "<a>";
  deep += "</Downloader>";
  auto nested = Make(deep);
  ASSERT_EQ(nested->getDownloadInfoXml(true, false), 1);
  EXPECT_FALSE(nested->parseDownloadInfo());

  auto bomb = Make(R"(<!DOCTYPE d [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;">]>
      <Downloader><Software_name>&b;&b;&b;</Software_name></Downloader>)");
  ASSERT_EQ(bomb->getDownloadInfoXml(true, false), 1);
  bomb->parseDownloadInfo();
  EXPECT_LT(bomb->getSoftwareName().size(), 100u);
}

TEST_F(ConfigureTest, EmbeddedLoadAndRemoteOverride) {
  CEmbeddedLabels labels;
  ASSERT_TRUE(labels.parse(R"(<V><V name="Product_config">
      <Label name="Downloader_id" text="521"/><Label name="Site_id" text="61"/>
      <Label name="Language_id" text="1033"/><Label name="InstallTimeout" text="600"/>
      <Label name="Download_url" text="http://cdn.example.com/Setup.exe"/>
      <Label name="Extra_download_url" text="http://www.example.com/Setup.exe"/>
      <Label name="Filesize" text=""/></V></V>)"));
  auto c = Make(kAnswer);
  c->loadFromResource(labels, false);
  EXPECT_EQ(c->getState(), 1);
  EXPECT_EQ(c->getConfigSource(), 0);
  EXPECT_TRUE(c->getRemotePaths().empty());
  EXPECT_EQ(c->getDownloaderType(), 1);
  EXPECT_EQ(c->getInstallTimeout(), 600);

  c->loadFromResource(labels, true);
  EXPECT_EQ(c->getState(), 2);
  EXPECT_EQ(c->getConfigSource(), 2);
  EXPECT_EQ(c->getRemotePaths(), std::vector<std::string>{"http://www.example.com/Setup.exe"});

  // The remote answer overrides element by element; InstallTimeout is not in it.
  ASSERT_EQ(c->getDownloadInfoXml(true, false), 1);
  ASSERT_TRUE(c->parseDownloadInfo());
  EXPECT_EQ(c->getInstallTimeout(), 600);
  EXPECT_EQ(c->getDownloaderType(), 2);

  CEmbeddedLabels empty;
  ASSERT_TRUE(empty.parse("<V/>"));
  c->loadFromResource(empty, true);
  EXPECT_EQ(c->getInstallTimeout(), 242);
  EXPECT_EQ(c->getDownloaderId(), 0);
}

// The attack this stops: a Process_name that climbs out of the install folder
// and smuggles an argument, a version that names a path to delete.
TEST_F(ConfigureTest, RemoteNamesThatAreNotPlainFileNamesAreRefused) {
  cwtest::LogCapture log;
  auto c = Make(R"(<Downloader><Software_name>Quorla/../../etc</Software_name>
      <Software_version>../../../home/user/.bashrc</Software_version>
      <Process_name>../../../../../../usr/bin/touch" "/tmp/x</Process_name>
      <Md5>0123456789abcdef0123456789abcdef</Md5></Downloader>)");
  ASSERT_EQ(c->getDownloadInfoXml(true, false), 1);
  ASSERT_TRUE(c->parseDownloadInfo());
  EXPECT_EQ(c->getSoftwareName(), "");
  EXPECT_EQ(c->getSoftwareVersion(), "");
  EXPECT_EQ(c->getProcessName(), "");
  EXPECT_EQ(c->getMd5(), "0123456789abcdef0123456789abcdef");  // the rest of the answer stands
  for (const auto& [name, value] : {std::pair<std::string, std::string>{"Software_name", "Quorla/../../etc"},
                                     {"Software_version", "../../../home/user/.bashrc"},
                                     {"Process_name", "../../../../../../usr/bin/touch\" \"/tmp/x"}}) {
    EXPECT_TRUE(log.has(" Configure value of " + name + " is not a plain file name, refused: " + value)) << name;
  }
}

TEST_F(ConfigureTest, PrintContentLinesInOrder) {
  cwtest::LogCapture log;
  CConfigure c(521, 1033, 61);
  c.printContent();
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_NE(lines[0].find(" Configure Load From Nothing! "), std::string::npos);
  EXPECT_NE(lines[2].find(" [Downloader Id]: 521"), std::string::npos);
  EXPECT_NE(lines[17].find(" [Downloader config]: 0"), std::string::npos);
}

}  // namespace
