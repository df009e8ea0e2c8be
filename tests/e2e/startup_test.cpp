// The real executable, started as a user would start it, each run in its own
// sandbox of per-user folders.
#include "E2eSandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <csignal>
#include <regex>

namespace fs = std::filesystem;

namespace {

using e2etest::Sandbox;

TEST(Startup, WritesItsLogWhereExpectedAndShutsDownInOrder) {
  Sandbox box;
  auto run = box.Start();
  ASSERT_EQ(run->Wait(20000), 0);
  const auto logs = box.LogFiles();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_TRUE(std::regex_match(fs::path(logs[0]).filename().string(),
                               std::regex(R"(QuorlaMurmelon_setup_\d{17}\.log)")));
  const std::string log = cwtest::ReadFile(logs[0]);
  const size_t w1 = log.find(" Wait exit 1"), w2 = log.find(" Wait exit 2"), w3 = log.find(" Wait exit 3");
  ASSERT_NE(w1, std::string::npos);
  EXPECT_LT(w1, w2);
  EXPECT_LT(w2, w3);
  EXPECT_NE(w3, std::string::npos);
  // Format: "<date> <time>,<ms>--[Thread](<id>) <signature>:<line> <text>"
  EXPECT_TRUE(std::regex_search(log, std::regex(R"(\d{4}-\d{2}-\d{2} [\d:,]+--\[Thread\]\(\d+\) .+:\d+ Wait exit 1)")));
}

TEST(Startup, SecondCopyEndsUnlessAutoRun) {
  Sandbox box;
  box.env()["CW_HEADLESS_HOLD_MS"] = "6000";
  auto first = box.Start();
  ASSERT_TRUE(cwtest::WaitUntil(10000, [&] { return !box.LogWith("running headless").empty(); }));

  box.env().erase("CW_HEADLESS_HOLD_MS");
  auto second = box.Start();
  ASSERT_EQ(second->Wait(10000), 0);
  EXPECT_TRUE(cwtest::WaitUntil(3000, [&] { return !box.LogWith("Raise requested by a second copy").empty(); }));
  // The second copy ended before any window: no shutdown lines beyond the first copy's.
  EXPECT_EQ(box.LogWith("Wait exit 1"), "");

  box.WriteSettings("[Settings]\nAutoRun=1\n");
  auto third = box.Start();
  ASSERT_EQ(third->Wait(10000), 0);
  EXPECT_NE(box.LogWith("Wait exit 3"), "");  // AutoRun lets it run to the end
  first->Kill(SIGKILL);
}

TEST(Startup, AutoRunSecondCopyLeavesTheFirstWindowAlone) {
  Sandbox box;
  box.WriteSettings("[Settings]\nAutoRun=1\n");
  box.env()["CW_HEADLESS_HOLD_MS"] = "8000";
  auto first = box.Start();
  ASSERT_TRUE(cwtest::WaitUntil(10000, [&] { return !box.LogWith("running headless").empty(); }));
  const std::string firstLog = box.LogWith("running headless");

  box.env().erase("CW_HEADLESS_HOLD_MS");
  auto second = box.Start();
  ASSERT_EQ(second->Wait(10000), 0);
  EXPECT_NE(box.LogWith("Wait exit 3"), "") << "the second copy ran to the end";
  // A raise request is answered only after the first copy has logged it, so
  // by now it would be in the first copy's log.
  EXPECT_EQ(cwtest::ReadFile(firstLog).find("Raise requested by a second copy"), std::string::npos);
  first->Kill(SIGKILL);
}

TEST(Startup, LockIsFreedWhenTheHolderDies) {
  Sandbox box;
  box.env()["CW_HEADLESS_HOLD_MS"] = "60000";
  auto first = box.Start();
  ASSERT_TRUE(cwtest::WaitUntil(10000, [&] { return !box.LogWith("running headless").empty(); }));
  first->Kill(SIGKILL);
  first->Wait(5000);
  box.env().erase("CW_HEADLESS_HOLD_MS");
  auto second = box.Start();
  ASSERT_EQ(second->Wait(10000), 0);
  EXPECT_NE(box.LogWith("Wait exit 3"), "");
}

TEST(Startup, UnwritableLogFolderStillRuns) {
  Sandbox box;
  box.env()["XDG_DATA_HOME"] = "/proc/cw-not-writable";
  auto run = box.Start();
  EXPECT_EQ(run->Wait(20000), 0);
}

}  // namespace
