// The real executable, started as a user would start it, each run in its own
// sandbox of per-user folders (the harness build where a copy must linger).
#include "E2eSandbox.h"
#include "UnattendedOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <csignal>
#include <regex>

namespace fs = std::filesystem;

namespace {

using e2etest::Sandbox;

// The lines of each start-up step in the order the steps run, with the values
// they come from: the version section of the executable and the embedded
// configuration (downloader id 521).
TEST(Startup, TakesItsStepsInOrderAndLogsWhereExpected) {
  Sandbox box;
  auto run = box.Start({"--lang", "x"});
  ASSERT_EQ(run->Wait(20000), EXIT_NO_DISPLAY);  // the sandbox has no display
  const auto logs = box.LogFiles();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_TRUE(std::regex_match(fs::path(logs[0]).filename().string(),
                               std::regex(R"(QuorlaMurmelon_setup_\d{17}\.log)")));
  const std::string log = cwtest::ReadFile(logs[0]);
  std::size_t at = 0;
  for (const std::string& step :
       {std::string(" Start 1.0.0.1, command line [--lang x], downloader id 521\n"),
        " Firewall authorisation skipped for " + box.exe() + ": this system has no per-application firewall list\n",
        std::string(" No display to show the window on\n"), std::string(" Wait exit 1\n"),
        std::string(" Wait exit 2\n"), std::string(" CSingleUserLog WaitThreadForExit\n"),
        std::string(" Wait exit 3\n")}) {
    const std::size_t found = log.find(step, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << step << log;
    at = found + step.size();
  }
  // Format: "<date> <time>,<ms>--[Thread](<id>) <signature>:<line> <text>"
  EXPECT_TRUE(std::regex_search(log, std::regex(R"(\d{4}-\d{2}-\d{2} [\d:,]+--\[Thread\]\(\d+\) .+:\d+ Wait exit 1)")));
}

// A page can drop files and a launcher can set variables: the shipped program
// takes none of the test switches.
TEST(Startup, TheShippedProgramHasNoTestSwitches) {
  Sandbox box;
  box.env()["CW_CRASH_TEST"] = "early";
  box.env()["CW_CRASH_TEST_DOWNLOADER_CONFIG"] = "2";
  box.env()["CW_HEADLESS_HOLD_MS"] = "60000";
  const auto started = std::chrono::steady_clock::now();
  auto run = box.Start();
  ASSERT_EQ(run->Wait(20000), EXIT_NO_DISPLAY);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
  const auto logs = box.LogFiles();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(cwtest::ReadFile(logs[0]).find("Test switch"), std::string::npos);
  EXPECT_NE(cwtest::ReadFile(logs[0]).find(" Wait exit 3"), std::string::npos);

  // The harness build of the same program does crash when asked.
  Sandbox harness(CW_DOWNLOADER_HARNESS_EXE);
  harness.env()["CW_CRASH_TEST"] = "early:abort";
  EXPECT_EQ(harness.Start()->Wait(20000), 128 + SIGABRT);
}

TEST(Startup, SecondCopyEndsUnlessAutoRun) {
  Sandbox box(CW_DOWNLOADER_HARNESS_EXE);
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
  Sandbox box(CW_DOWNLOADER_HARNESS_EXE);
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
  Sandbox box(CW_DOWNLOADER_HARNESS_EXE);
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
  EXPECT_EQ(run->Wait(20000), EXIT_NO_DISPLAY);
}

}  // namespace
