#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using cwplat::CEvent;
using cwplat::CTimedMutex;
using cwplat::kInfinite;
using Clock = std::chrono::steady_clock;

std::int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Polls until pred holds or a generous limit passes.
template <typename Pred>
bool Eventually(Pred pred) {
  const auto deadline = Clock::now() + std::chrono::seconds(3);
  while (!pred()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

TEST(Event, TimedWaitTimesOutThenSeesTheSignal) {
  CEvent event(true, false);
  auto start = Clock::now();
  EXPECT_FALSE(event.Wait(60));
  EXPECT_GE(MsSince(start), 60);
  EXPECT_LT(MsSince(start), 2000);
  EXPECT_FALSE(event.Wait(0));

  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    event.Set();
  });
  start = Clock::now();
  EXPECT_TRUE(event.Wait(kInfinite));
  EXPECT_LT(MsSince(start), 2000);
  setter.join();
}

TEST(Event, HugeTimeoutDoesNotOverflowIntoAnImmediateTimeout) {
  CEvent event(false, false);
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    event.Set();
  });
  EXPECT_TRUE(event.Wait(kInfinite - 1));
  setter.join();
}

TEST(Event, ManualResetReleasesEveryWaiterAndStaysSignalled) {
  CEvent event(true, false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) waiters.emplace_back([&] { released += event.Wait(kInfinite) ? 1 : 0; });
  event.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(released.load(), 3);
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(0));
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

TEST(Event, AutoResetReleasesExactlyOneWaiterPerSet) {
  CEvent event(false, false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) waiters.emplace_back([&] { released += event.Wait(kInfinite) ? 1 : 0; });
  for (int expected = 1; expected <= 3; ++expected) {
    event.Set();
    ASSERT_TRUE(Eventually([&] { return released.load() >= expected; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // nobody else slips through
    EXPECT_EQ(released.load(), expected);
  }
  for (auto& t : waiters) t.join();
  EXPECT_FALSE(event.Wait(0));  // the last waiter consumed the signal
}

TEST(Event, AutoResetSignalWaitsForOneWaiter) {
  CEvent event(false, true);
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  event.Set();  // not counted: one signal, one waiter
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0));
}

TEST(NamedEvent, SameNameGivesTheSameEventWhileHeld) {
  bool existed = true;
  auto first = cwplat::CreateNamedEvent("ProgressFinish100", true, false, &existed);
  EXPECT_FALSE(existed);
  auto second = cwplat::CreateNamedEvent("ProgressFinish100", false, true, &existed);
  EXPECT_TRUE(existed);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(second->IsManualReset());  // the first creation decides
  EXPECT_FALSE(second->Wait(0));
  first->Set();
  EXPECT_TRUE(second->Wait(0));

  EXPECT_NE(cwplat::CreateNamedEvent("UserLogGA4Mutex", false, true), first);
  EXPECT_NE(cwplat::CreateNamedEvent("", true, false), cwplat::CreateNamedEvent("", true, false));

  first.reset();
  second.reset();
  auto fresh = cwplat::CreateNamedEvent("ProgressFinish100", false, false, &existed);
  EXPECT_FALSE(existed);  // the name went away with its last holder
  EXPECT_FALSE(fresh->IsManualReset());
}

TEST(TimedMutex, TryLockTimesOutWhileAnotherThreadOwnsIt) {
  CTimedMutex mutex;
  CEvent locked(true, false), release(true, false);
  std::thread owner([&] {
    mutex.Lock();
    locked.Set();
    release.Wait(kInfinite);
    EXPECT_TRUE(mutex.Unlock());
  });
  ASSERT_TRUE(locked.Wait(3000));
  const auto start = Clock::now();
  EXPECT_FALSE(mutex.TryLockFor(60));
  EXPECT_GE(MsSince(start), 59);
  EXPECT_FALSE(mutex.Unlock());  // not the owner: refused, the owner keeps it
  release.Set();
  EXPECT_TRUE(mutex.TryLockFor(3000));
  EXPECT_TRUE(mutex.Unlock());
  owner.join();
}

TEST(TimedMutex, OwnerMayLockAgainAndNeedsAsManyUnlocks) {
  CTimedMutex mutex;
  ASSERT_TRUE(mutex.TryLockFor(0));
  ASSERT_TRUE(mutex.TryLockFor(0));
  EXPECT_TRUE(mutex.Unlock());
  std::atomic<bool> gotIt{true};
  std::thread other([&] { gotIt = mutex.TryLockFor(0); });
  other.join();
  EXPECT_FALSE(gotIt.load());
  EXPECT_TRUE(mutex.Unlock());
  EXPECT_FALSE(mutex.Unlock());
  std::thread later([&] {
    gotIt = mutex.TryLockFor(0);
    if (gotIt) mutex.Unlock();
  });
  later.join();
  EXPECT_TRUE(gotIt.load());
}

TEST(TimedMutex, NamedMutexSerialisesItsUsers) {
  bool existed = true;
  auto a = cwplat::CreateNamedMutex("mutex_for_downloadthread", &existed);
  EXPECT_FALSE(existed);
  auto b = cwplat::CreateNamedMutex("mutex_for_downloadthread", &existed);
  EXPECT_TRUE(existed);
  ASSERT_EQ(a, b);

  int counter = 0;  // unguarded except by the mutex: TSan checks it
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&] {
      auto m = cwplat::CreateNamedMutex("mutex_for_downloadthread");
      for (int j = 0; j < 1000; ++j) {
        ASSERT_TRUE(m->TryLockFor(kInfinite));
        ++counter;
        m->Unlock();
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 4000);
}

}  // namespace
