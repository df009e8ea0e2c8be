#include "platform/sync.h"
#include "platform/thread.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>

namespace {

using cwplat::CEvent;
using cwplat::CThread;
using cwplat::kInfinite;
using Clock = std::chrono::steady_clock;

TEST(Thread, JoinTimesOutWhileRunningAndSucceedsLater) {
  CEvent go(true, false);
  std::atomic<bool> ran{false};
  CThread thread;
  ASSERT_TRUE(thread.Start([&] {
    go.Wait(kInfinite);
    ran = true;
  }));
  EXPECT_TRUE(thread.IsRunning());
  const auto start = Clock::now();
  EXPECT_FALSE(thread.Join(60));
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(59));
  EXPECT_TRUE(thread.IsRunning());
  EXPECT_FALSE(thread.Start([] {}));  // still busy

  go.Set();
  EXPECT_TRUE(thread.Join(3000));
  EXPECT_TRUE(ran.load());
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_TRUE(thread.Join(0));  // nothing left to wait for

  std::atomic<int> second{0};
  ASSERT_TRUE(thread.Start([&] { second = 2; }));  // reusable once joined
  EXPECT_TRUE(thread.Join(kInfinite));
  EXPECT_EQ(second.load(), 2);
}

TEST(Thread, NotStartedOrEmptyFunction) {
  CThread thread;
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_TRUE(thread.Join(0));
  EXPECT_FALSE(thread.Start(nullptr));
}

TEST(Thread, ExceptionEndsTheThreadNotTheProcess) {
  CThread thread;
  ASSERT_TRUE(thread.Start([] { throw std::runtime_error("boom"); }));
  EXPECT_TRUE(thread.Join(3000));
}

TEST(Thread, JoinFromTheThreadItselfIsRefused) {
  CThread thread;
  std::atomic<int> selfJoin{-1};
  CEvent started(true, false);
  ASSERT_TRUE(thread.Start([&] {
    started.Wait(kInfinite);
    selfJoin = thread.Join(0) ? 1 : 0;
  }));
  started.Set();
  EXPECT_TRUE(thread.Join(3000));
  EXPECT_EQ(selfJoin.load(), 0);
}

// The owner gives up and is destroyed while the thread still runs: the thread
// must finish later without touching the destroyed owner (ASan would tell).
TEST(Thread, OwnerDestroyedWhileTheThreadRuns) {
  auto go = std::make_shared<CEvent>(true, false);
  auto done = std::make_shared<CEvent>(true, false);
  {
    auto thread = std::make_unique<CThread>();
    ASSERT_TRUE(thread->Start([go, done] {
      go->Wait(kInfinite);
      done->Set();
    }));
    EXPECT_FALSE(thread->Join(10));
  }
  go->Set();
  EXPECT_TRUE(done->Wait(3000));
}

TEST(Thread, CurrentThreadIdIsTheKernelId) {
  EXPECT_EQ(cwplat::GetCurrentThreadId(), static_cast<std::uint64_t>(getpid()));  // main thread
  std::atomic<std::uint64_t> other{0};
  CThread thread;
  ASSERT_TRUE(thread.Start([&] { other = cwplat::GetCurrentThreadId(); }));
  ASSERT_TRUE(thread.Join(3000));
  EXPECT_NE(other.load(), 0u);
  EXPECT_NE(other.load(), cwplat::GetCurrentThreadId());
}

}  // namespace
