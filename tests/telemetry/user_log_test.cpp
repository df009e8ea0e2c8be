#include "TelemetryTestSupport.h"
#include "platform/sync.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using teletest::FakeTransport;

std::string ActionOf(const Json::Value& v) { return v["actions"]["event_action"].asString(); }

class UserLogTest : public ::testing::Test {
 protected:
  teletest::ScopedSettings settings;
  std::shared_ptr<FakeTransport> fake = std::make_shared<FakeTransport>();
};

TEST_F(UserLogTest, FirstFlowErrorOpensTheSequenceAndLaterOnesOnlyStep) {
  fake->identityGate.Reset();  // everything stays queued until the end
  auto log = teletest::MakeLog(fake);
  EXPECT_EQ(log->AddUserLog_simple("Other", "FlowError", "DL024", false), 0);
  EXPECT_EQ(log->AddUserLog_simple("Other", "FlowError", "DL008", false), 0);
  fake->identityGate.Set();
  log->WaitThreadForExit();

  const std::vector<Json::Value> funnels = fake->FunnelObjects();
  ASSERT_EQ(funnels.size(), 5u);
  EXPECT_EQ(funnels[0]["actions"]["event_category"].asString(), "ErrorReporting");
  EXPECT_EQ(ActionOf(funnels[0]), "Error");
  EXPECT_EQ(funnels[0]["actions"]["MainErrorType"].asString(), "DL024");
  EXPECT_EQ(ActionOf(funnels[1]), "CoreFuncStart");
  EXPECT_EQ(funnels[1]["actions"]["func_step"].asInt(), 0);
  EXPECT_EQ(funnels[1]["actions"]["core_func_name"].asString(), "FlowError");
  EXPECT_EQ(funnels[1]["actions"]["event_type"].asString(), "CoreFuncEvent");
  EXPECT_EQ(funnels[1]["actions"]["event_label"].asString(), "null");
  EXPECT_EQ(ActionOf(funnels[2]), "DL024");
  EXPECT_EQ(funnels[2]["actions"]["func_step"].asInt(), 1);
  EXPECT_EQ(ActionOf(funnels[3]), "Error");
  EXPECT_EQ(ActionOf(funnels[4]), "DL008");
  EXPECT_EQ(funnels[4]["actions"]["func_step"].asInt(), 2);

  const std::vector<std::string> views = fake->PageViews();
  ASSERT_EQ(views.size(), 2u);
  EXPECT_NE(views[0].find("&ep.cw_category=Other&ep.cw_action=FlowError&ep.cw_label=DL024&en=FlowError"),
            std::string::npos);
}

TEST_F(UserLogTest, CloseEndsAnOpenSequenceSynchronously) {
  fake->identityGate.Reset();
  auto log = teletest::MakeLog(fake);
  log->AddUserLog_simple("Other", "FlowError", "DL016", false);
  // Sent on this thread while the queued events still wait.
  EXPECT_EQ(log->AddUserLog_simple("CrashRate", "Close", "3", true), 0);
  const std::vector<Json::Value> sent = fake->FunnelObjects();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(ActionOf(sent[0]), "CoreFuncEnd");
  EXPECT_EQ(sent[0]["actions"]["func_step"].asInt(), 0);
  EXPECT_EQ(sent[0]["actions"]["core_func_name"].asString(), "FlowError");
  ASSERT_EQ(fake->PageViews().size(), 1u);
  EXPECT_NE(fake->PageViews()[0].find("&ep.cw_category=CrashRate&ep.cw_action=Close&ep.cw_label=3"),
            std::string::npos);
  fake->identityGate.Set();
  log->WaitThreadForExit();
}

TEST_F(UserLogTest, CloseWithoutFlowErrorSendsNoFunnelEnd) {
  auto log = teletest::MakeLog(fake);
  EXPECT_EQ(log->AddUserLog_simple("CrashRate", "Start", "", false), 0);
  EXPECT_EQ(log->AddUserLog_simple("CrashRate", "Close", "0", true), 0);
  log->WaitThreadForExit();
  EXPECT_TRUE(fake->Funnels().empty());
  EXPECT_EQ(fake->PageViews().size(), 2u);
}

TEST_F(UserLogTest, AutoRunSilencesEverything) {
  teletest::ScopedSettings silent("[Settings]\nAutoRun=1\n");
  auto log = teletest::MakeLog(fake);
  EXPECT_EQ(log->AddUserLog_simple("Download", "1.Launch", "First", false), CSingleUserLog::kSilent);
  EXPECT_EQ(log->AddUserLog_simple("Other", "FlowError", "DL024", true), CSingleUserLog::kSilent);
  EXPECT_EQ(log->AddUserLog_funnel("CoreFuncEvent", "Starting", 1, "Download", "ProgramLaunch", "null", true, false),
            CSingleUserLog::kSilent);
  EXPECT_EQ(log->AddUserLog_funnelPair("Download", "DownloadSuccess", "k", "v", false, false), CSingleUserLog::kSilent);
  EXPECT_EQ(log->AddUserLog(0, "a", false, 0, nullptr, nullptr, nullptr), CSingleUserLog::kSilent);
  EXPECT_TRUE(log->WaitThreadForExit());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // No sender thread: not even the identity was asked for.
  EXPECT_EQ(fake->identityCalls.load(), 0);
  EXPECT_TRUE(fake->Funnels().empty());
  EXPECT_TRUE(fake->PageViews().empty());
}

TEST_F(UserLogTest, EventIsDroppedWhenItsQueueLockIsHeld) {
  auto log = teletest::MakeLog(fake);
  for (const char* lockName : {"UserLogGA4Mutex", "UserLogFunnelMutex"}) {
    cwplat::CEvent held(true, false), release(true, false);
    std::thread holder([&] {
      auto lock = cwplat::CreateNamedMutex(lockName);
      lock->Lock();
      held.Set();
      release.Wait(cwplat::kInfinite);
      lock->Unlock();
    });
    held.Wait(cwplat::kInfinite);
    const auto started = std::chrono::steady_clock::now();
    if (std::string(lockName) == "UserLogGA4Mutex") {
      EXPECT_EQ(log->AddUserLog_simple("Download", "2.DownStart", "First", false), 0);
    } else {
      EXPECT_EQ(log->AddUserLog_funnelPair("Download", "DownloadSuccess", "k", "v", false, false), 0);
    }
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(190));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
    release.Set();
    holder.join();
  }
  log->WaitThreadForExit();
  EXPECT_TRUE(fake->PageViews().empty());
  EXPECT_TRUE(fake->Funnels().empty());
}

TEST_F(UserLogTest, EachQueuePutsBackAtMostThreeFailedItemsForItsWholeLife) {
  cwtest::LogCapture capture;
  fake->ga4Result = [](int) { return -1; };
  fake->funnelResult = [](int) { return 5; };
  fake->identityGate.Reset();
  auto log = teletest::MakeLog(fake);
  for (int i = 0; i < 5; ++i) log->AddUserLog_simple("Download", "A" + std::to_string(i), "", false);
  log->AddUserLog_funnelPair("Download", "F0", "k", "v", false, false);
  log->AddUserLog_funnelPair("Download", "F1", "k", "v", false, false);
  fake->identityGate.Set();
  log->WaitThreadForExit();

  // Page views: 5 first tries, the first three put back once each; the rest dropped.
  const std::vector<std::string> views = fake->PageViews();
  ASSERT_EQ(views.size(), 8u);
  for (int i = 0; i < 3; ++i) EXPECT_NE(views[5 + i].find("&en=A" + std::to_string(i)), std::string::npos);
  EXPECT_EQ(capture.count(" send ga4 fail in ga4 queue, retry is max, retcode = -1, Download###A2"), 2u);
  EXPECT_EQ(capture.count(" send ga4 fail in ga4 queue, retry is max, retcode = -1, Download###A4"), 1u);
  // The funnel queue keeps its own count (a shared one would have been used up
  // by the page views): F0, F1, F0 again, F1 again (count at 3), F0 dropped.
  EXPECT_EQ(fake->Funnels().size(), 5u);
  EXPECT_EQ(capture.count(" send funnel fail in funnel queue, retry is max, retcode = 5, Download###F0"), 2u);
  EXPECT_EQ(capture.count(" send funnel fail in funnel queue, retry is max, retcode = 5, Download###F1"), 1u);
}

TEST_F(UserLogTest, SynchronousSendsTryThreeTimes) {
  cwtest::LogCapture capture;
  fake->ga4Result = [](int) { return 253; };
  fake->funnelResult = [](int n) { return n == 0 ? 4 : 0; };
  auto log = teletest::MakeLog(fake);
  EXPECT_EQ(log->AddUserLog_simple("Other", "32bitStartupForbided", "", true), 253);
  EXPECT_EQ(fake->PageViews().size(), 3u);
  EXPECT_TRUE(capture.has(" send ga4 fail, bWait = true, retry is max, retcode = 253, Other###32bitStartupForbided"));
  EXPECT_EQ(log->AddUserLog_funnel("Keypoint", "3", 0, "CorePublicModule", "Close", "null", true, false), 0);
  EXPECT_EQ(fake->Funnels().size(), 2u);
  log->WaitThreadForExit();

  UserLogOptions none;
  none.createTransport = [] { return std::shared_ptr<IWebLog>(); };
  none.facts = teletest::TestFacts();
  CSingleUserLog withoutTransport(none);
  EXPECT_EQ(withoutTransport.AddUserLog_simple("CrashRate", "Close", "1", true), CSingleUserLog::kNoTransport);
  EXPECT_EQ(withoutTransport.AddUserLog_simple("Download", "1.Launch", "", false), 0);
  EXPECT_TRUE(withoutTransport.WaitThreadForExit());
}

TEST_F(UserLogTest, EventsQueuedJustBeforeShutdownAreDrained) {
  fake->delay = std::chrono::milliseconds(3);
  auto log = teletest::MakeLog(fake);
  std::thread other([&] {
    for (int i = 0; i < 40; ++i) log->AddUserLog_funnelPair("Download", "SliceDownloading", "n", std::to_string(i), false, false);
  });
  for (int i = 0; i < 40; ++i) log->AddUserLog_simple("Download", "3.Downloading...", std::to_string(i), false);
  other.join();
  EXPECT_TRUE(log->WaitThreadForExit());
  EXPECT_EQ(fake->PageViews().size(), 40u);
  EXPECT_EQ(fake->Funnels().size(), 40u);
  EXPECT_EQ(fake->identityCalls.load(), 1);
}

class FakeWindow : public IUserLogWindow {
 public:
  UserLogWindowFacts GetUserLogWindowFacts() const override { return {"5.0.1", "ja"}; }
};

TEST_F(UserLogTest, MainWindowSuppliesVersionAndLanguage) {
  auto log = teletest::MakeLog(fake);
  FakeWindow window;
  log->InitUserInfo(74, "ignored", "Quorla", "https://dl.test/Quorla_yahoo.exe", false, 9);
  log->SetMainWnd(&window);
  log->AddUserLog_funnelPair("Download", "DownloadEnvReady", "k", "v", false, false);
  log->SetMainWnd(nullptr);
  log->AddUserLog_funnelPair("Download", "DownloadEnvReady", "k", "v", false, false);
  log->AddUserLog_simple("Download", "1.Launch", "First", false);
  log->WaitThreadForExit();
  const std::vector<Json::Value> funnels = fake->FunnelObjects();
  ASSERT_EQ(funnels.size(), 2u);
  EXPECT_EQ(funnels[0]["product_version"].asString(), "5.0.1");
  EXPECT_EQ(funnels[0]["tools_lang"].asString(), "ja");
  EXPECT_EQ(funnels[0]["pid"].asInt(), 9);
  EXPECT_EQ(funnels[1]["product_version"].asString(), "");
  ASSERT_EQ(fake->PageViews().size(), 1u);
  EXPECT_NE(fake->PageViews()[0].find("&ep.cd2=PPC&ep.cd3=QuorlaNet-Yahoo&ep.cd4=Quorla"), std::string::npos);
}

}  // namespace
