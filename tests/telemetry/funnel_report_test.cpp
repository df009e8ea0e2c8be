#include "weblog/FunnelReport.h"
#include "weblog/Ga4Encoding.h"
#include "weblog/Guid.h"
#include "weblog/IdentityText.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

MachineFacts Facts() { return {"4f3c2b1a-0d9e", "AABBCCDDEE01", 0x4F3C2B1A, "Debian GNU/Linux 12", "6.1.0"}; }

Json::Value Report(const std::string& input) {
  return BuildFunnelReport(ParseFunnelInput(input), Facts(), "SESSION", 1700000000123);
}

TEST(FunnelReport, CommonTakesInputMembersAndMachineFacts) {
  const Json::Value r = Report(
      R"({"pid":7,"brand":"PC","is_new":1,"product":"Quorla","kit_type":2,"cross_end_id":"bing","is_vip":true,)"
      R"("actions":{"event_action":"Launch","nested":[1,2]}})");
  EXPECT_EQ(r["version"].asString(), "2.0");
  const Json::Value& c = r["common"];
  EXPECT_EQ(c["uid"].asString(), "4f3c2b1a-0d9e");
  EXPECT_EQ(c["session_id"].asString(), "SESSION");
  EXPECT_EQ(c["mac"].asString(), "AABBCCDDEE01");
  EXPECT_EQ(c["os"].asString(), "Debian GNU/Linux 12");
  EXPECT_EQ(c["os_version"].asString(), "6.1.0");
  EXPECT_EQ(c["pid"].asInt(), 7);
  EXPECT_EQ(c["is_new"].asInt(), 1);
  EXPECT_EQ(c["kit_type"].asInt(), 2);
  EXPECT_TRUE(c["is_vip"].asBool());
  EXPECT_EQ(c["cross_end_id"].asString(), "bing");
  // Missing members take their defaults.
  EXPECT_EQ(c["channel"].asString(), "");
  EXPECT_TRUE(c["channel"].isString());
  EXPECT_TRUE(c["user_id"].isNull());
  EXPECT_TRUE(c.isMember("rnclid"));
  EXPECT_EQ(c.size(), 23u);
  EXPECT_EQ(r["actions"]["nested"][1].asInt(), 2);
  EXPECT_EQ(r["ts"].asInt64(), 1700000000123);
  EXPECT_FALSE(r.isMember("start"));
  EXPECT_FALSE(r.isMember("monitor"));
}

TEST(FunnelReport, StartAndMonitorOnlyWhenAsked) {
  const Json::Value withStart = Report(R"({"entry":"desktop"})");
  EXPECT_EQ(withStart["start"]["entry"].asString(), "desktop");
  EXPECT_EQ(withStart["start"].size(), 1u);

  const Json::Value m = Report(R"({"monitor_type":"crash","monitor_guid":"G","monitor_error_code":5,)"
                               R"("monitor_main_pid":10,"monitor_sub_pid":11,"monitor_ext1":"x"})")["monitor"];
  EXPECT_EQ(m["monitor_type"].asString(), "crash");
  EXPECT_EQ(m["guid"].asString(), "G");
  EXPECT_EQ(m["param"]["error_code"].asInt(), 5);
  EXPECT_TRUE(m["param"]["start_time"].isNull());
  EXPECT_EQ(m["param"]["ext"]["parent_pid"].asInt(), 10);
  EXPECT_EQ(m["param"]["ext"]["pid"].asInt(), 11);
  EXPECT_EQ(m["param"]["ext"]["ext_others"].asString(), "x");
}

TEST(FunnelReport, MalformedInputGivesDefaults) {
  for (const std::string& input : std::vector<std::string>{"", "{", "[1,2]", "42", "\"text\"", "null", std::string(300, '[')}) {
    const Json::Value r = Report(input);
    EXPECT_EQ(r["common"]["pid"].asInt(), 0) << input;
    EXPECT_EQ(r["common"]["brand"].asString(), "") << input;
    EXPECT_TRUE(r["actions"].isNull()) << input;
  }
  EXPECT_EQ(Report(std::string(kMaxFunnelInputBytes + 1, ' '))["common"]["pid"].asInt(), 0);
}

TEST(Ga4Encoding, ListedCharactersPassOthersBecomeLowerHex) {
  EXPECT_EQ(Ga4PercentEncode("&ep.cw_label=First Run"), "&ep.cw_label=First%20Run");
  EXPECT_EQ(Ga4PercentEncode("AZaz09!&'()*-.=_~"), "AZaz09!&'()*-.=_~");
  EXPECT_EQ(Ga4PercentEncode("/?#%+:,"), "%2f%3f%23%25%2b%3a%2c");
  EXPECT_EQ(Ga4PercentEncode("\xE4\xB8\xAD"), "%e4%b8%ad");
  EXPECT_EQ(Ga4PercentEncode(std::string("\0\x7f", 2)), "%00%7f");
}

TEST(Ga4Encoding, ClientIdIsSerialThenMac) {
  EXPECT_EQ(Ga4ClientId(0x4F3C2B1A, "AABBCCDDEE01"), "4F3C2B1AAABBCCDDEE01");
  EXPECT_EQ(Ga4ClientId(0xAB, ""), "AB");
  EXPECT_EQ(Ga4ClientId(0, "AABBCCDDEE01"), "0AABBCCDDEE01");
}

TEST(Guids, FormatsAndSession) {
  Guid g;
  g.data1 = 0x0123ABCD;
  g.data2 = 0x4567;
  g.data3 = 0x89EF;
  const std::uint8_t tail[8] = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18};
  std::copy(std::begin(tail), std::end(tail), g.data4);
  EXPECT_EQ(FormatUserGuid(g), "0123ABCD-4567-89EF-A1B2-C3D4E5F60718");
  EXPECT_EQ(FormatSessionId(g), "0123ABCD456789efA1B2C3D4E5F60718");
  EXPECT_TRUE(IsUserGuidText(FormatUserGuid(g)));
  EXPECT_FALSE(IsUserGuidText("0123ABCD-4567-89EF-A1B2-C3D4E5F6071"));
  EXPECT_FALSE(IsUserGuidText("0123ABCD-4567-89EF-A1B2-C3D4E5F6071G"));
  EXPECT_FALSE(IsUserGuidText("0123ABCD04567-89EF-A1B2-C3D4E5F60718"));

  const auto fresh = NewGuid();
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->data3 >> 12, 4);
  EXPECT_NE(FormatUserGuid(*fresh), FormatUserGuid(*NewGuid()));
  const std::string session = ProcessSessionId();
  EXPECT_EQ(session.size(), 32u);
  EXPECT_EQ(session, ProcessSessionId());
}

TEST(IdentityText, UserCheckBaseFromFirstLine) {
  EXPECT_EQ(UserCheckBaseFromText("https://uc.test/api/\r\nsecond line"), "https://uc.test/api");
  EXPECT_EQ(UserCheckBaseFromText("\xEF\xBB\xBFhttp://uc.test:8080"), "http://uc.test:8080");
  EXPECT_FALSE(UserCheckBaseFromText(""));
  EXPECT_FALSE(UserCheckBaseFromText("<html>see http://x</html>"));
  EXPECT_FALSE(UserCheckBaseFromText("ftp://uc.test"));
  EXPECT_FALSE(UserCheckBaseFromText("https://uc.test/a b"));
  EXPECT_FALSE(UserCheckBaseFromText("https://" + std::string(3000, 'a')));
}

}  // namespace
