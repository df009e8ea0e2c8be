#include "UserLogSender.h"

#include "platform/log.h"
#include "weblog/IWebLog.h"

namespace {

// After a destructor's stop request the thread gets this long to end: longer
// than one transfer may take, so it is not left running while the process
// tears down what it uses.
constexpr std::uint64_t kStopJoinMs = 12000;

int Post(IWebLog& transport, UserLogKind kind, const std::string& text) {
  return kind == UserLogKind::PageView ? transport.GA4DataReport(text) : transport.SoftDataReport(text);
}

const char* SyncFailText(UserLogKind kind) {
  return kind == UserLogKind::PageView ? "send ga4 fail, bWait = true, retry is max, retcode = "
                                       : "send funnel fail, bWait = true, retry is max, retcode = ";
}

const char* QueueFailText(UserLogKind kind) {
  return kind == UserLogKind::PageView ? "send ga4 fail in ga4 queue, retry is max, retcode = "
                                       : "send funnel fail in funnel queue, retry is max, retcode = ";
}

}  // namespace

CUserLogQueue::CUserLogQueue(const std::string& lockName) : m_lock(cwplat::CreateNamedMutex(lockName)) {}

bool CUserLogQueue::Push(UserLogItem item) {
  if (!m_lock->TryLockFor(kLockTimeoutMs)) return false;
  m_items.push_back(std::move(item));
  ++m_size;
  m_lock->Unlock();
  return true;
}

bool CUserLogQueue::PopFront(UserLogItem& item) {
  if (!m_lock->TryLockFor(kLockTimeoutMs)) return false;
  const bool any = !m_items.empty();
  if (any) {
    item = std::move(m_items.front());
    m_items.pop_front();
    --m_size;
  }
  m_lock->Unlock();
  return any;
}

// Everything the sender thread uses; the thread holds a reference, so nothing
// it touches goes away while it runs.
struct CUserLogSender::Shared {
  std::shared_ptr<IWebLog> transport;
  CUserLogQueue pageViews{"UserLogGA4Mutex"};
  CUserLogQueue funnels{"UserLogFunnelMutex"};
  std::atomic<bool> exitRequested{false};
  std::atomic<bool> abandoned{false};
  cwplat::CEvent wake{true, false};

  void Run();
  void Deliver(UserLogKind kind, CUserLogQueue& queue, UserLogItem& item, int& requeues);
};

void CUserLogSender::Shared::Run() {
  if (transport) {
    for (int i = 0; i < kAttempts && !abandoned; ++i) {
      std::string guid, record;
      if (transport->QueryUserInfo(guid, record) == 0) break;
    }
  }
  // Per queue, for the life of the thread: a failed item goes back to the tail
  // only while fewer than kMaxRequeues items have been put back.
  int pageViewRequeues = 0;
  int funnelRequeues = 0;
  while (!abandoned) {
    if (pageViews.Empty() && funnels.Empty()) {
      if (exitRequested) return;
      wake.Wait(kIdleMs);
      continue;
    }
    UserLogItem item;
    if (!pageViews.Empty() && pageViews.PopFront(item)) {
      Deliver(UserLogKind::PageView, pageViews, item, pageViewRequeues);
    }
    if (!funnels.Empty()) {
      if (!funnels.PopFront(item)) continue;
      Deliver(UserLogKind::Funnel, funnels, item, funnelRequeues);
    }
  }
}

void CUserLogSender::Shared::Deliver(UserLogKind kind, CUserLogQueue& queue, UserLogItem& item, int& requeues) {
  if (!transport) return;  // nothing can carry it: discarded
  const int result = Post(*transport, kind, item.text);
  if (result == 0) return;
  if (requeues < kMaxRequeues && queue.Push(item)) ++requeues;
  if (requeues >= kMaxRequeues) {
    CWLOG << " " << QueueFailText(kind) << result << ", " << item.category << "###" << item.action;
  }
}

CUserLogSender::CUserLogSender(std::shared_ptr<IWebLog> transport, bool startThread)
    : m_shared(std::make_shared<Shared>()) {
  m_shared->transport = std::move(transport);
  if (startThread) {
    std::shared_ptr<Shared> shared = m_shared;
    if (!m_thread.Start([shared] { shared->Run(); })) CWLOG << " UserLogManagerThread could not be started";
  }
}

CUserLogSender::~CUserLogSender() {
  m_shared->abandoned = true;
  m_shared->exitRequested = true;
  m_shared->wake.Set();
  m_thread.Join(kStopJoinMs);
}

int CUserLogSender::Queue(UserLogKind kind, UserLogItem item) {
  (kind == UserLogKind::PageView ? m_shared->pageViews : m_shared->funnels).Push(std::move(item));
  return 0;
}

int CUserLogSender::SendNow(UserLogKind kind, const UserLogItem& item) {
  const std::shared_ptr<IWebLog> transport = m_shared->transport;
  if (!transport) return -1;
  int result = 0;
  for (int i = 0; i < kAttempts; ++i) {
    result = Post(*transport, kind, item.text);
    if (result == 0) return 0;
  }
  CWLOG << " " << SyncFailText(kind) << result << ", " << item.category << "###" << item.action;
  return result;
}

void CUserLogSender::WaitForExit(std::uint64_t timeoutMs) {
  m_shared->exitRequested = true;
  m_shared->wake.Set();
  m_thread.Join(timeoutMs);
}
