// A reusable worker: it sleeps on its wake event until it is handed a task,
// runs taskBusiness for it, and goes back to sleep. The status word is the
// hand-over point: 2 idle, 1 has a task, 0 exit.
#pragma once

#include "CTask.h"
#include "platform/log.h"
#include "platform/sync.h"
#include "platform/thread.h"

#include <atomic>
#include <memory>

class CThread {
 public:
  enum Status { kExit = 0, kBusy = 1, kIdle = 2 };

  explicit CThread(std::shared_ptr<cwplat::CTimedMutex> shared) : m_shared(std::move(shared)) {}
  virtual ~CThread() = default;
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  // The work for the current task; the base does nothing.
  virtual int taskBusiness() { return 1; }

  // Starts the thread; 1, or 0 when it cannot be started.
  int init() {
    if (m_thread.Start([this] { ThreadFunc(); })) return 1;
    CWLOG << "  creat thread error code =  " << 0;
    return 0;
  }

  int doTask(CTask* task) {
    m_task = task;
    if (task->logging != 0) {
      CWLOG << " Tasks info, download begin, id = " << task->id.load() << ", task status = " << task->status.load()
            << ", thread status = " << m_status.load();
    }
    m_status.store(kBusy);
    m_wake.Set();
    return 1;
  }

  // Tells the worker to end (a busy one ends after its task).
  void exit() {
    m_status.store(kExit);
    m_wake.Set();
  }

  // True once the thread has ended (within timeoutMs) or never ran.
  bool join(std::uint64_t timeoutMs) { return m_thread.Join(timeoutMs); }

  int status() const { return m_status.load(); }
  CTask* currentTask() const { return m_task; }
  // Set when the worker goes idle, so that whoever hands out work need not poll.
  void setIdleSignal(std::shared_ptr<cwplat::CEvent> signal) { m_idleSignal = std::move(signal); }

 protected:
  std::shared_ptr<cwplat::CTimedMutex> m_shared;  // the pool's file mutex

 private:
  void ThreadFunc() {
    const std::uint64_t threadId = cwplat::GetCurrentThreadId();
    for (;;) {
      if (m_status.load() == kIdle) {
        CWLOG << " wait before thread " << threadId;
        m_wake.Wait(cwplat::kInfinite);
        CWLOG << " wait after thread " << threadId;
      }
      const int status = m_status.load();
      if (status == kExit) return;
      if (status == kBusy) {
        taskBusiness();
        int expected = kBusy;  // an exit ordered meanwhile stands
        m_status.compare_exchange_strong(expected, kIdle);
        if (m_idleSignal) m_idleSignal->Set();
      }
    }
  }

  std::atomic<int> m_status{kIdle};
  CTask* m_task = nullptr;  // written before the status store that hands it over
  cwplat::CEvent m_wake{false, false};
  std::shared_ptr<cwplat::CEvent> m_idleSignal;
  cwplat::CThread m_thread;
};
