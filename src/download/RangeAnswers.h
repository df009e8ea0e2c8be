// What the workers of one start learn together from the server's answers to
// ranges. A server that answers a range with the whole file ignores ranges:
// then the worker of the lowest range not yet on disk keeps that answer and
// takes the whole body in order, through every later range (one stream), and
// no other worker writes any more.
#pragma once

#include "CTask.h"

#include <atomic>
#include <vector>

class RangeAnswers {
 public:
  // Every task of the start, by position; set before any worker runs.
  void setTasks(std::vector<CTask*> inOrder) { m_inOrder = std::move(inOrder); }

  // The first task whose bytes are not all on disk; nullptr when none.
  const CTask* lowestIncomplete() const {
    for (const CTask* task : m_inOrder) {
      if (task->bytesOnDisk() < task->rangeBytes()) return task;
    }
    return nullptr;
  }
  // The task after `task`; nullptr after the last.
  CTask* next(const CTask* task) const {
    for (std::size_t i = 0; i + 1 < m_inOrder.size(); ++i) {
      if (m_inOrder[i] == task) return m_inOrder[i + 1];
    }
    return nullptr;
  }

  std::atomic<bool> rangesIgnored{false};  // a range was answered with the whole file and refused
  std::atomic<bool> streaming{false};      // one worker owns the whole-file stream
  std::atomic<bool> streamLogged{false};   // the fallback is logged once a start

 private:
  std::vector<CTask*> m_inOrder;
};
