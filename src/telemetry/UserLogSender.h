// Delivery of user events through the analytics transport: two queues, each
// guarded by a named lock taken with a 200 ms limit, the sender thread that
// drains them, and synchronous sends with three attempts.
#pragma once

#include "platform/sync.h"
#include "platform/thread.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

class IWebLog;

enum class UserLogKind { PageView, Funnel };

// One event: the text the transport takes (GA4 query tail or funnel JSON), and
// category and action for the log lines.
struct UserLogItem {
  std::string text;
  std::string category;
  std::string action;
};

// A FIFO queue whose lock is a named mutex of this process; a lock that cannot
// be had within kLockTimeoutMs makes the operation give up.
class CUserLogQueue {
 public:
  static constexpr std::uint64_t kLockTimeoutMs = 200;
  explicit CUserLogQueue(const std::string& lockName);

  // False when the lock was not had: the item is dropped.
  bool Push(UserLogItem item);
  // False when the lock was not had or the queue is empty.
  bool PopFront(UserLogItem& item);
  bool Empty() const { return m_size.load() == 0; }

 private:
  std::shared_ptr<cwplat::CTimedMutex> m_lock;
  std::deque<UserLogItem> m_items;
  std::atomic<std::size_t> m_size{0};
};

class CUserLogSender {
 public:
  static constexpr int kAttempts = 3;
  static constexpr int kMaxRequeues = 3;
  static constexpr std::uint64_t kIdleMs = 500;

  // The thread starts at once unless `startThread` is false (silent log).
  CUserLogSender(std::shared_ptr<IWebLog> transport, bool startThread);
  // Tells the thread to stop without draining and waits for the transfer in
  // progress to end (12 s at most); a thread still running after that keeps
  // what it owns alive until it ends.
  ~CUserLogSender();
  CUserLogSender(const CUserLogSender&) = delete;
  CUserLogSender& operator=(const CUserLogSender&) = delete;

  // Queues the item; 0 in any case (an item whose lock times out is dropped).
  int Queue(UserLogKind kind, UserLogItem item);
  // Sends on the calling thread, up to three attempts: 0, the transport's last
  // result, or -1 without a transport.
  int SendNow(UserLogKind kind, const UserLogItem& item);
  // Asks the thread to end once both queues are empty and waits up to timeoutMs.
  void WaitForExit(std::uint64_t timeoutMs);

 private:
  struct Shared;
  std::shared_ptr<Shared> m_shared;
  cwplat::CThread m_thread;
};
