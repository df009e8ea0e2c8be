// The worker pool: hand-over, reclaiming, stopping, and the shared output
// file, including one held by a running program.
#include "CDownloadThreadManager.h"
#include "EngineTestSupport.h"
#include "ProcessSearch.h"
#include "platform/tick.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// A copy of a real program that a test may run and then find by its path.
std::string RunnableCopy(const cwtest::TempDir& dir, const std::string& name) {
  const std::string path = dir / name;
  std::filesystem::copy_file("/bin/sleep", path);
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  return path;
}

class CountingThread : public CThread {
 public:
  explicit CountingThread(std::atomic<int>& runs) : CThread(nullptr), m_runs(runs) {}
  int taskBusiness() override {
    ++m_runs;
    return 1;
  }

 private:
  std::atomic<int>& m_runs;
};

class CountingPool : public CThreadManager {
 public:
  explicit CountingPool(std::atomic<int>& runs) : CThreadManager(nullptr), m_runs(runs) {}
  int createThreads(int count) override {
    for (int i = 0; i < count; ++i) addWorker(std::make_unique<CountingThread>(m_runs));
    return static_cast<int>(threadCount());
  }

 private:
  std::atomic<int>& m_runs;
};

TEST(ThreadPool, HandsOutReclaimsAndStops) {
  cwtest::LogCapture log;
  std::atomic<int> runs{0};
  CountingPool pool(runs);
  auto idle = std::make_shared<cwplat::CEvent>(false, false);
  pool.setIdleSignal(idle);
  ASSERT_EQ(pool.createThreads(2), 2);
  CTask a, b, c;
  EXPECT_EQ(pool.giveTaskToAThreadTodo(&a), 1);
  EXPECT_EQ(pool.giveTaskToAThreadTodo(&b), 1);
  c.id.store(7);
  EXPECT_EQ(pool.giveTaskToAThreadTodo(&c), 0);
  EXPECT_TRUE(log.has("get free thread is null7"));
  EXPECT_TRUE(log.has("is no free threads"));
  ASSERT_TRUE(cwtest::WaitUntil(5000, [&] {
    idle->Wait(10);
    pool.reclaimIdleThreads();
    return !pool.hasBusyThreads();
  }));
  EXPECT_EQ(runs.load(), 2);
  EXPECT_EQ(pool.giveTaskToAThreadTodo(&c), 1);  // a reclaimed worker takes the next one
  ASSERT_TRUE(cwtest::WaitUntil(5000, [&] {
    pool.reclaimIdleThreads();
    return !pool.hasBusyThreads();
  }));
  const std::uint64_t start = cwplat::GetTickCount64();
  EXPECT_EQ(pool.stopThreads(), 1);
  EXPECT_LT(cwplat::GetTickCount64() - start, 1000u);
  EXPECT_TRUE(log.has(" end wait threads exit"));
  EXPECT_EQ(runs.load(), 3);
}

TEST(DownloadPool, KeepsBytesOfAnExistingFile) {
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "out.bin", "already here");
  CDownloadThreadManager pool(dir / "out.bin");
  EXPECT_EQ(pool.createThreads(3), 3);
  EXPECT_EQ(pool.file().Size(), 12);
  pool.stopThreads();
}

TEST(DownloadPool, UnopenableFileStartsNoWorker) {
  cwtest::LogCapture log;
  enginetest::EventRecorder events;
  cwtest::TempDir dir;
  CDownloadThreadManager pool(dir / "missing/out.bin");
  EXPECT_EQ(pool.createThreads(4), -1);
  EXPECT_EQ(pool.threadCount(), 0u);
  EXPECT_TRUE(log.has("local file is NULL error code = 3"));
  EXPECT_TRUE(log.has("after kill local file is NULL error code = 3"));
  EXPECT_TRUE(events.has("Other/OpenFileErrCode/3"));
}

TEST(DownloadPool, FileHeldByARunningProgramIsFreedAndOpened) {
  cwtest::LogCapture log;
  cwtest::TempDir dir;
  const std::string path = RunnableCopy(dir, "held-package.bin");
  cwtest::ChildProcess holder(path, {"60"}, {});
  ASSERT_TRUE(holder.started());
  ASSERT_TRUE(cwtest::WaitUntil(5000, [&] { return FuntionImpl::FindProcessByFullPath(path, false, false) > 0; }));

  CDownloadThreadManager pool(path);
  EXPECT_EQ(pool.createThreads(2), 2);
  EXPECT_TRUE(log.has("local file is NULL error code = 32"));
  EXPECT_TRUE(log.has(" Kill proc: 1, 0"));
  EXPECT_FALSE(log.has("after kill local file is NULL error code = 32"));
  EXPECT_EQ(holder.Wait(5000), 128 + 9);
  pool.stopThreads();
}

TEST(FindProcess, FindsOnlyTheVeryFileAndEndsItOnRequest) {
  cwtest::TempDir dir;
  const std::string path = RunnableCopy(dir, "tool.exe");
  cwtest::TempDir other;
  const std::string sameName = RunnableCopy(other, "tool.exe");
  cwtest::ChildProcess target(path, {"60"}, {});
  cwtest::ChildProcess bystander(sameName, {"60"}, {});
  ASSERT_TRUE(cwtest::WaitUntil(5000, [&] {
    return FuntionImpl::FindProcessByFullPath(path, false, false) == target.pid();
  }));
  EXPECT_EQ(FuntionImpl::FindProcessByFullPath(dir / "TOOL.exe", false, false), -1);
  EXPECT_EQ(FuntionImpl::FindProcessByFullPath(dir / "nothing.exe", true, false), -1);
  EXPECT_EQ(target.Wait(0), -1);  // looking does not end it
  EXPECT_EQ(FuntionImpl::FindProcessByFullPath(path, true, false), target.pid());
  EXPECT_EQ(target.Wait(5000), 128 + 9);
  EXPECT_EQ(bystander.Wait(0), -1);
}

TEST(FindProcess, AlsoEndsTheTmpCompanion) {
  cwtest::TempDir dir;
  const std::string stem = cwtest::UniqueProgramStem("setup");
  const std::string setup = RunnableCopy(dir, stem + ".exe");
  cwtest::TempDir tmpDir;
  std::filesystem::create_directories(tmpDir / "is-1.tmp");
  const std::string companion = tmpDir / ("is-1.tmp/" + stem + ".tmp");
  std::filesystem::copy_file("/bin/sleep", companion);
  std::filesystem::permissions(companion, std::filesystem::perms::owner_all);
  cwtest::ChildProcess main(setup, {"60"}, {});
  cwtest::ChildProcess helper(companion, {"60"}, {});
  ASSERT_TRUE(cwtest::WaitUntil(5000, [&] { return FuntionImpl::FindProcessByFullPath(companion, false, false) > 0; }));
  ASSERT_TRUE(cwtest::WaitUntil(5000, [&] { return FuntionImpl::FindProcessByFullPath(setup, false, false) > 0; }));
  EXPECT_GT(FuntionImpl::FindProcessByFullPath(setup, true, true), 0);
  EXPECT_EQ(main.Wait(5000), 128 + 9);
  EXPECT_EQ(helper.Wait(5000), 128 + 9);
}

}  // namespace
