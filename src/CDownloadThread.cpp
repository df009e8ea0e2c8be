#include "CDownloadThread.h"

#include "platform/log.h"

#include <algorithm>

namespace {

// The DownloadedPos to publish for a cursor: EndPos of a non-last range means
// "byte EndPos written", so a cursor that has only reached EndPos shows one less.
std::int64_t PublishedPosition(const CTask& task, std::int64_t cursor) {
  if (task.isLastRange()) return cursor;
  if (cursor > task.EndPos) return task.EndPos;
  return std::min(cursor, task.EndPos - 1);
}

}  // namespace

CDownloadThread::CDownloadThread(std::shared_ptr<cwplat::CTimedMutex> shared, cwplat::CFile* file)
    : CThread(std::move(shared)), m_file(file) {
  if (!m_http.init()) CWLOG << "  m_pCurl init error !!!";
}

int CDownloadThread::taskBusiness() {
  CTask* task = currentTask();
  if (task->DownloadedPos.load() == task->EndPos) {
    task->status.store(CTask::kComplete);
    return 1;
  }
  prepareTransfer();
  const CURLcode result = m_http.httpDownloadContent(task->remotePath, m_cursor, task->EndPos, 0, this);
  if (result == CURLE_OK && task->DownloadedPos.load() == task->EndPos) {
    task->status.store(CTask::kComplete);
    if (task->logging != 0) {
      CWLOG << " Tasks info, download success(" << result << "), id = " << task->id.load()
            << ", reqTime = " << task->RequestTimes.load();
    }
  } else {
    task->RequestTimes.fetch_add(1);
    task->status.store(CTask::kFailed);
    if (task->logging != 0) {
      CWLOG << " Tasks info, download fail(" << result << "), id = " << task->id.load()
            << ", reqTime = " << task->RequestTimes.load();
    }
  }
  return 1;
}

void CDownloadThread::prepareTransfer() { m_cursor = currentTask()->DownloadedPos.load(); }

std::size_t CDownloadThread::downloadFunc(const char* data, std::size_t size, std::size_t nmemb) {
  CTask* task = currentTask();
  const std::size_t bytes = size * nmemb;
  // Bytes the range can still take: through EndPos, or up to the content
  // length for the last range. Anything beyond is surplus and dropped.
  const std::int64_t limit = task->isLastRange() ? task->EndPos : task->EndPos + 1;
  const std::int64_t room = std::max<std::int64_t>(limit - m_cursor, 0);
  const std::size_t wanted = static_cast<std::uint64_t>(room) < bytes ? static_cast<std::size_t>(room) : bytes;

  m_shared->Lock();
  const std::size_t written = wanted == 0 ? 0 : m_file->WriteAt(data, wanted, m_cursor);
  m_cursor += static_cast<std::int64_t>(written);
  task->DownloadedPos.store(PublishedPosition(*task, m_cursor), std::memory_order_release);
  m_shared->Unlock();

  const std::size_t items = size == 0 ? 0 : written / size;
  if (items != nmemb) {
    CWLOG << " Thread: " << cwplat::GetCurrentThreadId() << " Write Error. Task id：" << task->id.load()
          << " Download to:" << task->DownloadedPos.load() << " Receive:" << nmemb << " Write:" << items
          << " Task EndPos:" << task->EndPos;
  }
  return items;
}

std::int64_t CDownloadThread::expectedContentLength() const { return currentTask()->contentLength; }

std::string& CDownloadThread::cdnText() { return currentTask()->cdnText; }

const std::string& CDownloadThread::probeCdnText() const { return currentTask()->probeCdnText; }

int CDownloadThread::taskId() const { return currentTask()->id.load(); }

bool CDownloadThread::taskLogging() const { return currentTask()->logging != 0; }

bool CDownloadThread::acceptStatusLine(const std::string& line) {
  // "HTTP/1.1 206 Partial Content": the three digits after the first blank.
  const std::size_t blank = line.find(' ');
  int status = 0;
  for (std::size_t i = blank == std::string::npos ? line.size() : blank + 1; i < line.size() && i <= blank + 3; ++i) {
    if (line[i] < '0' || line[i] > '9') break;
    status = status * 10 + (line[i] - '0');
  }
  if ((status >= 300 && status < 400) || status == 206 || (status == 200 && m_cursor == 0)) return true;
  CWLOG << " Tasks info, range refused, id = " << taskId() << ", answer: " << line.substr(0, line.find('\r'));
  return false;
}
