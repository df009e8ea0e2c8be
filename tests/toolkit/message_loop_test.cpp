// The window loop: messages from several threads arrive in order, timers
// repeat, restart and end from their own callback, and a modal run inside a
// message still gets timers and posted messages.
#include "toolkit/MessageLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>
#include <vector>

namespace {

using cwui::MessageLoop;

TEST(MessageLoop, MessagesFromManyThreadsArriveInPostingOrder) {
  MessageLoop loop;
  constexpr int kThreads = 4, kEach = 500;
  std::map<int, std::vector<int>> seen;  // loop thread only
  int delivered = 0;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&loop, &seen, &delivered, t] {
      for (int i = 0; i < kEach; ++i) {
        loop.post([&loop, &seen, &delivered, t, i] {
          seen[t].push_back(i);
          if (++delivered == kThreads * kEach) loop.quit(7);
        });
      }
    });
  }
  EXPECT_EQ(loop.run(), 7);
  for (auto& p : posters) p.join();
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<std::size_t>(kEach));
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(seen[t][i], i) << "thread " << t;
  }
}

TEST(MessageLoop, TimersRepeatRestartAndEndFromTheirOwnCallback) {
  MessageLoop loop;
  const int owner = 0;
  int ticks = 0, other = 0;
  loop.setTimer(&owner, 1, 5, [&] {
    if (++ticks == 3) loop.killTimer(&owner, 1);  // from its own callback
  });
  loop.setTimer(&owner, 2, 1, [&] { ++other; });
  loop.setTimer(&owner, 2, 1000, [&] { ++other; });  // restarted: the first never fires
  loop.setTimer(&owner, 3, 60, [&] {
    loop.killTimers(&owner);
    loop.quit(1);
  });
  EXPECT_EQ(loop.run(), 1);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(other, 0);
  EXPECT_FALSE(loop.hasTimer(&owner, 2));
}

TEST(MessageLoop, AModalRunKeepsTimersAndPostedMessagesFlowing) {
  MessageLoop loop;
  const int owner = 0;
  std::vector<std::string> events;
  loop.post([&] {
    events.push_back("modal opens");
    loop.setTimer(&owner, 1, 5, [&] {
      events.push_back("timer at depth " + std::to_string(loop.depth()));
      loop.killTimer(&owner, 1);
      std::thread([&loop] { loop.post([&loop] { loop.quit(2); }); }).join();
    });
    events.push_back("modal ended " + std::to_string(loop.run()));
    loop.quit(0);
  });
  loop.post([&] { events.push_back("queued before"); });
  EXPECT_EQ(loop.run(), 0);
  EXPECT_EQ(events, (std::vector<std::string>{"modal opens", "queued before", "timer at depth 2", "modal ended 2"}));
  EXPECT_EQ(loop.depth(), 0);
}

}  // namespace
