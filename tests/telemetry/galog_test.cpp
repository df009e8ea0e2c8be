#include "TelemetryTestSupport.h"
#include "UserLogGaFile.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

cwplat::LocalTime Day(int year, int month, int day) { return {year, month, day, 10, 0, 0, 0}; }

class GaLogTest : public ::testing::Test {
 protected:
  std::unique_ptr<CSingleUserLog> Run(const cwplat::LocalTime& today) {
    auto log = teletest::MakeLog(fake, [today] { return today; });
    log->InitLogPaths("Quorla_setup");
    log->InitUserInfo(2, "1.0", "Quorla", "https://dl.test/Quorla_setup.exe", false, 1);
    return log;
  }
  std::string GaLogPath(const CSingleUserLog& log) const { return log.GetLogFolder() + "/galog.json"; }

  teletest::ScopedSettings settings;
  teletest::ScopedUserFolders folders;
  std::shared_ptr<teletest::FakeTransport> fake = std::make_shared<teletest::FakeTransport>();
};

TEST_F(GaLogTest, FirstRunOfEachDayIsNew) {
  auto first = Run(Day(2024, 5, 1));
  EXPECT_EQ(first->GetIsNew(), 1);
  const std::string path = GaLogPath(*first);
  const Json::Value written = ParseJsonObject(cwtest::ReadFile(path), 4096).value_or(Json::Value());
  EXPECT_EQ(written["year"].asInt(), 2024);
  EXPECT_EQ(written["month"].asInt(), 5);
  EXPECT_EQ(written["day"].asInt(), 1);
  first->WaitThreadForExit();
  first.reset();

  EXPECT_EQ(Run(Day(2024, 5, 1))->GetIsNew(), 0);
  EXPECT_EQ(Run(Day(2024, 5, 2))->GetIsNew(), 1);
  EXPECT_EQ(Run(Day(2025, 5, 2))->GetIsNew(), 1);
  EXPECT_EQ(Run(Day(2025, 5, 2))->GetIsNew(), 0);

  // is_new goes into every funnel event.
  auto again = Run(Day(2025, 5, 2));
  again->AddUserLog_funnelPair("Download", "DownloadEnvReady", "k", "v", true, false);
  ASSERT_FALSE(fake->FunnelObjects().empty());
  EXPECT_EQ(fake->FunnelObjects().back()["is_new"].asInt(), 0);
}

TEST_F(GaLogTest, ToolsVersionIsRecordedWithTheFirstFunnelEventOnly) {
  auto log = Run(Day(2024, 5, 1));
  const std::string path = GaLogPath(*log);
  log->AddUserLog_simple("Download", "1.Launch", "First", false);
  EXPECT_FALSE(ParseJsonObject(cwtest::ReadFile(path), 4096)->isMember("version"));
  log->AddUserLog_funnelPair("Download", "DownloadEnvReady", "k", "v", false, false);
  Json::Value v = ParseJsonObject(cwtest::ReadFile(path), 4096).value_or(Json::Value());
  EXPECT_EQ(v["version"].asString(), "1.2.3.4");
  EXPECT_EQ(v["day"].asInt(), 1);  // dates kept
  // Pretty-printed: one member per line.
  EXPECT_NE(cwtest::ReadFile(path).find("\n"), std::string::npos);
  cwtest::WriteFile(path, R"({"version":"0.0.0.1"})");
  log->AddUserLog_funnelPair("Download", "DownloadEnvReady", "k", "v", false, false);
  EXPECT_EQ(ParseJsonObject(cwtest::ReadFile(path), 4096).value()["version"].asString(), "0.0.0.1");
  log->WaitThreadForExit();
}

TEST(GaLogDecisions, DamagedOrMissingFilesAreRewritten) {
  const cwplat::LocalTime today = Day(2024, 2, 29);
  const GaLogDecision missing = DecideGaLogDate(std::nullopt, today);
  EXPECT_EQ(missing.isNew, 1);
  ASSERT_TRUE(missing.write);
  EXPECT_EQ(DecideGaLogDate(*missing.write, today).isNew, 0);
  EXPECT_FALSE(DecideGaLogDate(*missing.write, today).write);

  for (const std::string& text : std::vector<std::string>{"", "{", "[2024,2,29]", R"({"year":"2024","month":2,"day":29})",
                                 R"({"year":2024,"month":2,"day":29.5})", std::string(70000, ' ')}) {
    const GaLogDecision d = DecideGaLogDate(text, today);
    EXPECT_EQ(d.isNew, 1) << text;
    EXPECT_TRUE(d.write) << text;
  }
  // Other members survive a date change.
  const GaLogDecision kept = DecideGaLogDate(std::string(R"({"year":2023,"month":1,"day":1,"version":"1.0"})"), today);
  EXPECT_NE(kept.write->find("\"version\" : \"1.0\""), std::string::npos);

  EXPECT_EQ(DecideGaLogVersion(std::nullopt, "1.2").value(), "{\n\t\"version\" : \"1.2\"\n}");
  EXPECT_FALSE(DecideGaLogVersion(std::string(R"({"version":"1.2"})"), "1.2"));
  EXPECT_TRUE(DecideGaLogVersion(std::string(R"({"version":1.2})"), "1.2"));
}

}  // namespace
