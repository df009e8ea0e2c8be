#include "CommandLine.h"
#include "LocalSettings.h"
#include "ProcessGlobals.h"
#include "StartupConfig.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, DispatchOrderAndForms) {
  EXPECT_TRUE(ParseCommandLine("debug").debugConsole);
  EXPECT_FALSE(ParseCommandLine("debug ").debugConsole);
  EXPECT_FALSE(ParseCommandLine(" debug").debugConsole);
  EXPECT_EQ(ParseCommandLine("").kind, CommandLineRequest::Interactive);
  EXPECT_EQ(ParseCommandLine("debug").kind, CommandLineRequest::Interactive);

  auto dump = ParseCommandLine("-dmp setup_20240101.log.dmp");
  EXPECT_EQ(dump.kind, CommandLineRequest::UploadDump);
  EXPECT_EQ(dump.fileName, "setup_20240101.log.dmp");
  EXPECT_EQ(dump.reason, "CrashDmp");

  // "-dmp" needs its trailing blank.
  EXPECT_EQ(ParseCommandLine("-dmpx").kind, CommandLineRequest::Interactive);

  // Both present: the dump wins, wherever it stands.
  auto both = ParseCommandLine("-close01 a.log -dmp b.dmp");
  EXPECT_EQ(both.kind, CommandLineRequest::UploadDump);
  EXPECT_EQ(both.fileName, "b.dmp");

  auto close = ParseCommandLine("-close02 /var/log/x_1.log");
  EXPECT_EQ(close.kind, CommandLineRequest::UploadLog);
  EXPECT_EQ(close.reason, "close02");
  EXPECT_EQ(close.fileName, "/var/log/x_1.log");
}

TEST(CommandLine, ShortCloseFormsStayInBounds) {
  auto bare = ParseCommandLine("-close");
  EXPECT_EQ(bare.kind, CommandLineRequest::UploadLog);
  EXPECT_EQ(bare.reason, "close");
  EXPECT_EQ(bare.fileName, "");
  EXPECT_EQ(ParseCommandLine("-close0").fileName, "");
  EXPECT_EQ(ParseCommandLine("-close01 ").fileName, "");
  EXPECT_EQ(ParseCommandLine("-close01 f").fileName, "f");
}

TEST(StartupConfig, ReadsKeysByAttributePosition) {
  const std::string xml = R"(<R><G>
      <Label name="Downloader_id" text="277"/>
      <Label text="ignored-order" name="Site_id"/>
      <Label name="MainPid" text="6881x"/>
      <Label name="Software_name" text="Quorla Murmelon"/>
      <Label name="Software_version" text="1.2.3.4"/>
      <Label name="Download_url" text="https://cdn.example.com/a.exe"/>
      <Label name="Extra_download_url" text="https://dl.example.com/b.exe"/>
      <Label name="Download_url" text="https://www.example.com/dir/Setup_bing_.exe"/>
      <Label name="Extra_download_url" text="https://www.example.com/other.exe"/>
      <Label name="Support32System" text="1"/>
      <Label name="OnlyKey"/>
    </G><G2><Label name="Site_id" text="99"/></G2></R>)";
  StartupConfig c = ReadStartupConfig(xml);
  EXPECT_EQ(c.downloaderIdText, "277");
  EXPECT_EQ(c.downloaderId, 277);
  EXPECT_EQ(c.siteId, 0);  // first attribute is the key: "text" here, so no Site_id
  EXPECT_EQ(c.mainPid, 6881);
  EXPECT_EQ(c.softwareName, "Quorla Murmelon");
  EXPECT_EQ(c.softwareVersion, "1.2.3.4");
  EXPECT_EQ(c.startupUrl, "https://www.example.com/dir/Setup_bing_.exe");
  EXPECT_EQ(c.support32System, "1");
  EXPECT_TRUE(IsKitDownloader(c.downloaderId));
  EXPECT_TRUE(IsKitDownloader(278));
  EXPECT_FALSE(IsKitDownloader(521));
  EXPECT_EQ(InstanceMutexName(521), "ZKT_Downloader_521");
  EXPECT_EQ(MainWindowClassName("521"), "CW_UI_Frame_521");
}

TEST(StartupConfig, BadDocumentsLeaveDefaults) {
  for (const char* bad : {"", "<R>", "not xml at all", "<R/>", "<R><G/></R>",
                          "<!DOCTYPE R [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><R><G>"
                          "<L name=\"Software_name\" text=\"&b;\"/></G></R>"}) {
    StartupConfig c = ReadStartupConfig(std::string(bad));
    EXPECT_EQ(c.downloaderId, 0) << bad;
    EXPECT_EQ(c.startupUrl, "") << bad;
  }
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  EXPECT_EQ(ReadStartupConfig(deep).downloaderId, 0);
  EXPECT_EQ(ReadStartupConfig(std::nullopt).downloaderIdText, "");
}

TEST(StartupConfig, NumbersAndBaseNames) {
  EXPECT_EQ(ParseDecimalInt(" 42"), 42);
  EXPECT_EQ(ParseDecimalInt("-7"), -7);
  EXPECT_EQ(ParseDecimalInt("abc"), 0);
  EXPECT_EQ(ParseDecimalInt("99999999999999999999"), 2147483647);
  EXPECT_EQ(ParseDecimalInt("-99999999999999999999"), -2147483647 - 1);

  EXPECT_EQ(InstallerBaseName("http://h/files/QuorlaMurmelon_setup.exe"), "QuorlaMurmelon_setup");
  EXPECT_EQ(InstallerBaseName("http://h/files/a.b.c"), "a");
  EXPECT_EQ(InstallerBaseName("http://h.example.com/noext"), std::nullopt);
  EXPECT_EQ(InstallerBaseName("nothing"), std::nullopt);
  EXPECT_EQ(InstallerBaseName(""), std::nullopt);
  EXPECT_EQ(InstallerBaseName("http://h/dir/.hidden"), "");
}

TEST(LocalSettings, OnlyExactlyOneIsOn) {
  cwtest::TempDir dir;
  const std::string cfg = dir / "cw_downloader.cfg";
  cwtest::WriteFile(cfg, "[Settings]\nTestEnv=1\nAutoRun=2\nCrashTest=01\n");
  EXPECT_TRUE(FuntionImpl::IsLocalSettingOn("TestEnv", cfg));
  EXPECT_FALSE(FuntionImpl::IsLocalSettingOn("AutoRun", cfg));
  EXPECT_TRUE(FuntionImpl::IsLocalSettingOn("CrashTest", cfg));  // read as the number 1
  EXPECT_FALSE(FuntionImpl::IsLocalSettingOn("Missing", cfg));
  // Re-read on every call.
  cwtest::WriteFile(cfg, "[Settings]\nTestEnv=0\n");
  EXPECT_FALSE(FuntionImpl::IsLocalSettingOn("TestEnv", cfg));
  EXPECT_FALSE(FuntionImpl::IsLocalSettingOn("TestEnv", dir / "absent.cfg"));
}

}  // namespace
