#include "UserLogEncoding.h"
#include "UserLogFacts.h"
#include "weblog/JsonText.h"

#include <gtest/gtest.h>

namespace {

UserLogFacts Facts() { return {"1.2.3.4", "bing", "Debian 12 64bit", "English", "United States"}; }

UserLogUserInfo Info(int siteId = 2, bool kit = false) {
  UserLogUserInfo info;
  info.siteId = siteId;
  info.productName = "Quorla";
  info.downloadAddress = "https://dl.test/Quorla_bing_setup.exe";
  info.kit = kit;
  info.pid = 77;
  info.isNew = 1;
  return info;
}

Json::Value Parse(const std::string& text) {
  auto v = ParseJsonObject(text, 1 << 20);
  EXPECT_TRUE(v.has_value()) << text;
  return v.value_or(Json::Value());
}

TEST(PageView, TailCarriesTheEventAndTheCustomDimensions) {
  EXPECT_EQ(BuildPageViewTail(Facts(), Info(), "Download", "1.Launch", "First"),
            "&tid=G-5QK2W7HZ3N&ep.cw_productname=Downloader&ep.cw_productversion=1.2.3.4"
            "&ep.cw_category=Download&ep.cw_action=1.Launch&ep.cw_label=First&en=1.Launch"
            "&ep.cd1=1.2.3.4&ep.cd2=PPC&ep.cd3=CWNET-Bing&ep.cd4=Quorla&ep.cd5=United States"
            "&ep.cd6=English&ep.cd7=Debian 12 64bit&ep.cd8=1");
  EXPECT_NE(BuildCustomDimensions(Facts(), Info(2, true)).find("&ep.cd8=0"), std::string::npos);
}

TEST(PageView, TextsAreBounded) {
  UserLogUserInfo info = Info();
  info.productName = std::string(10000, 'p');
  EXPECT_EQ(BuildCustomDimensions(Facts(), info).size(), kMaxCustomDimensionBytes);
  const std::string tail = BuildPageViewTail(Facts(), Info(), std::string(5000, 'c'), "a", "l");
  EXPECT_EQ(tail.find(std::string(kMaxEventTextBytes + 1, 'c')), std::string::npos);
}

TEST(Funnel, FixedMembersAndActions) {
  UserLogWindowFacts window{"9.9.9", "de"};
  const FunnelEvent event{"CoreFuncEvent", "Downloading", 2, "Download", "Downloading", "null", false};
  const std::string text = BuildFunnelJson(Facts(), Info(), window, event);
  // The writer orders members by name.
  EXPECT_EQ(text.rfind("{\"actions\":{\"core_func_name\":\"Downloading\",\"event_action\":\"Downloading\"", 0), 0u)
      << text;
  const Json::Value v = Parse(text);
  EXPECT_EQ(v["product_version"].asString(), "9.9.9");
  EXPECT_EQ(v["tools_lang"].asString(), "de");
  EXPECT_EQ(v["cross_end_id"].asString(), "bing");
  EXPECT_EQ(v["rnclid"].asString(), "bing");
  EXPECT_EQ(v["kit_type"].asInt(), 0);
  EXPECT_EQ(v["pid"].asInt(), 77);
  EXPECT_EQ(v["actions"]["func_step"].asInt(), 2);
  EXPECT_EQ(v.size(), 15u);
}

TEST(Funnel, EmptyNamesAndKitType) {
  const Json::Value plain = Parse(BuildFunnelJson(Facts(), Info(), {}, FunnelEvent{"", "", 5, "C", "A", "L", false}));
  EXPECT_FALSE(plain["actions"].isMember("core_func_name"));
  EXPECT_FALSE(plain["actions"].isMember("func_step"));
  EXPECT_EQ(plain["actions"]["event_type"].asString(), "event");
  EXPECT_EQ(plain["product_version"].asString(), "");
  EXPECT_EQ(plain["tools_lang"].asString(), "");
  EXPECT_EQ(Parse(BuildFunnelJson(Facts(), Info(2, true), {}, FunnelEvent{"", "", 0, "C", "A", "L", false}))["kit_type"].asInt(),
            1);
  EXPECT_EQ(Parse(BuildFunnelJson(Facts(), Info(2, true), {}, FunnelEvent{"", "", 0, "C", "A", "L", true}))["kit_type"].asInt(),
            2);
}

TEST(Funnel, ExtendedMembers) {
  const Json::Value v = Parse(BuildFunnelExJson(
      Facts(), Info(), {}, "StartDownloader", "PrivacyAgreementPopup",
      {{"PrivacyAgreementPopupType", "Agree and install"}, {"", "dropped"}, {"event_category", "Replaced"}}, false));
  const Json::Value& a = v["actions"];
  EXPECT_EQ(a["event_type"].asString(), "event");
  EXPECT_EQ(a["event_action"].asString(), "PrivacyAgreementPopup");
  EXPECT_EQ(a["event_category"].asString(), "Replaced");
  EXPECT_EQ(a["PrivacyAgreementPopupType"].asString(), "Agree and install");
  EXPECT_EQ(a.size(), 4u);
  EXPECT_EQ(v["pid"].asInt(), 77);
}

TEST(UserLogFacts, FileNameTokenAndLanguageName) {
  EXPECT_EQ(FileNameToken("/opt/x/Quorla_bing_setup.exe"), "bing_setup");
  EXPECT_EQ(FileNameToken("C:\\dl\\Quorla_yahoo.exe"), "yahoo");
  EXPECT_EQ(FileNameToken("/opt/x_y/cw_downloader"), "");
  EXPECT_EQ(FileNameToken("/opt/x/plain.exe"), "");
  EXPECT_EQ(FileNameToken(""), "");
  std::string language, region;
  SplitLanguageName("English_United States", language, region);
  EXPECT_EQ(language, "English");
  EXPECT_EQ(region, "United States");
  SplitLanguageName("0x0c1a", language, region);
  EXPECT_EQ(language, "Unknown");
  EXPECT_EQ(region, "Unknown");
}

}  // namespace
