// A thread owned by one object and joined with a time limit, the way the
// program waits for a thread handle with WaitForSingleObject.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace cwplat {

class CEvent;

class CThread {
 public:
  CThread() = default;
  // Joins a finished thread. A thread still running is detached: by then its
  // owner has already given up waiting (the process is ending) and blocking
  // here for ever would hang the shutdown. The detached thread only touches
  // state it co-owns, never this object.
  ~CThread();
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  // Runs fn on a new thread. False when fn is empty, a previous thread is still
  // running, or the system refuses a new thread. An exception escaping fn is
  // logged and ends the thread, not the process.
  bool Start(std::function<void()> fn);
  // True when the thread has ended within timeoutMs (kInfinite: no limit) and
  // was joined, or when there is no thread; false while it still runs, and a
  // later Join may succeed. False when called from the thread itself.
  bool Join(std::uint64_t timeoutMs);
  bool IsRunning() const;

  // Start, Join and the destructor belong to the owner's thread; IsRunning may
  // be asked from anywhere while no Start runs.

 private:
  std::shared_ptr<CEvent> m_finished;  // manual-reset, set when fn has returned
  std::thread m_thread;
};

// The kernel thread id of the calling thread (gettid), as logs show it.
std::uint64_t GetCurrentThreadId();

}  // namespace cwplat
