// The loop a window runs on: messages posted from any thread are delivered
// in posting order on the loop's thread, timers belong to an owner and an id
// (setting one again restarts it), and runs nest, so a modal window's loop
// keeps timers and posted messages flowing. GLib's default main context does
// the work, the same one the GTK host's windows live on; without a display
// it is the headless host's loop.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

typedef struct _GMainLoop GMainLoop;

namespace cwui {

class MessageLoop {
 public:
  // Not copyable (it holds a mutex): its timers and queue are tied to it.
  MessageLoop();
  ~MessageLoop();

  // Any thread; the loop must outlive the threads that post to it.
  void post(std::function<void()> message);

  // The loop's thread only. The callback may kill or restart its own timer.
  void setTimer(const void* owner, int id, unsigned intervalMs, std::function<void()> callback);
  void killTimer(const void* owner, int id);
  void killTimers(const void* owner);
  bool hasTimer(const void* owner, int id) const;

  // Runs until quit() ends this level; returns the code quit() gave. A run
  // started inside another (a modal window) ends first.
  int run();
  // Ends the innermost run (the loop's thread; post it from others).
  void quit(int code);
  int depth() const { return static_cast<int>(m_levels.size()); }

 private:
  struct Timer;
  static int DispatchPosted(void* self);
  static int DispatchTimer(void* timer);

  std::mutex m_postMutex;
  std::deque<std::function<void()>> m_posted;
  bool m_dispatchScheduled = false;
  unsigned m_postSource = 0;

  std::map<std::pair<const void*, int>, std::shared_ptr<Timer>> m_timers;
  struct Level {
    GMainLoop* loop;
    int code;
  };
  std::vector<Level> m_levels;
};

}  // namespace cwui
