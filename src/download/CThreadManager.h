// A fixed pool of workers with a free list and a busy list. One thread (the
// download driver) hands out tasks, reclaims idle workers and stops the pool.
#pragma once

#include "CThread.h"
#include "platform/log.h"

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

class CThreadManager {
 public:
  static constexpr std::uint64_t kStopWaitMs = 30000;

  explicit CThreadManager(std::shared_ptr<cwplat::CTimedMutex> shared) : m_shared(std::move(shared)) {}
  virtual ~CThreadManager() { shutdownWorkers(); }
  CThreadManager(const CThreadManager&) = delete;
  CThreadManager& operator=(const CThreadManager&) = delete;

  // Creates count plain workers; returns the number running.
  virtual int createThreads(int count) {
    for (int i = 0; i < count; ++i) addWorker(std::make_unique<CThread>(m_shared));
    return static_cast<int>(m_handles.size());
  }

  CThread* getOneFreeThreads() {
    if (m_freeThreads.empty()) {
      CWLOG << "is no free threads";
      return nullptr;
    }
    CThread* worker = m_freeThreads.back();
    m_freeThreads.pop_back();
    return worker;
  }

  int giveTaskToAThreadTodo(CTask* task) {
    CThread* worker = getOneFreeThreads();
    if (worker == nullptr) {
      CWLOG << "get free thread is null" << task->id.load();
      return 0;
    }
    worker->doTask(task);
    m_busyThreads.push_back(worker);
    return 1;
  }

  // Moves every busy worker that has gone idle to the end of the free list.
  void reclaimIdleThreads() {
    for (auto it = m_busyThreads.begin(); it != m_busyThreads.end();) {
      if ((*it)->status() == CThread::kIdle) {
        m_freeThreads.push_back(*it);
        it = m_busyThreads.erase(it);
      } else {
        ++it;
      }
    }
  }

  int stopThreads() {
    for (CThread* worker : m_freeThreads) worker->exit();
    CWLOG << " start wait threads exit";
    for (CThread* worker : m_handles) worker->join(kStopWaitMs);
    CWLOG << " end wait threads exit";
    return 1;
  }

  // After stopThreads: forgets every worker. A worker whose thread is still
  // running (it ignored the stop) is left alive rather than freed under it;
  // returns how many were left so.
  int clearThreads() {
    int leftBehind = 0;
    for (auto& worker : m_owned) {
      if (!worker->join(0)) {
        CWLOG << " worker thread still running, left behind";
        (void)worker.release();  // deliberately leaked: its thread still uses it
        ++leftBehind;
      }
    }
    m_owned.clear();
    m_handles.clear();
    m_freeThreads.clear();
    m_busyThreads.clear();
    m_threads.clear();
    return leftBehind;
  }

  bool hasBusyThreads() const { return !m_busyThreads.empty(); }
  bool hasFreeThreads() const { return !m_freeThreads.empty(); }
  std::size_t threadCount() const { return m_handles.size(); }
  void setIdleSignal(std::shared_ptr<cwplat::CEvent> signal) { m_idleSignal = std::move(signal); }

 protected:
  // Ends every worker, busy or not, and forgets them. The owner of anything
  // the workers use calls this before tearing that down.
  void shutdownWorkers() {
    for (CThread* worker : m_handles) worker->exit();
    for (CThread* worker : m_handles) worker->join(kStopWaitMs);
    clearThreads();
  }

  // Starts a worker; a running one joins the free list and the handle list.
  bool addWorker(std::unique_ptr<CThread> worker) {
    worker->setIdleSignal(m_idleSignal);
    if (worker->init() != 1) return false;
    m_freeThreads.push_back(worker.get());
    m_handles.push_back(worker.get());
    m_owned.push_back(std::move(worker));
    return true;
  }

  std::shared_ptr<cwplat::CTimedMutex> m_shared;

 private:
  std::list<CThread*> m_threads;  // all threads: kept empty, the handle list serves
  std::vector<CThread*> m_freeThreads;
  std::list<CThread*> m_busyThreads;
  std::vector<CThread*> m_handles;
  std::vector<std::unique_ptr<CThread>> m_owned;
  std::shared_ptr<cwplat::CEvent> m_idleSignal;
};
