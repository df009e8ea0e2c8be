#include "CDownloadThread.h"

#include "DownLoadImpl.h"
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

// The status code of "HTTP/1.1 206 Partial Content": the three digits after
// the first blank; 0 when there are not three.
int StatusCode(const std::string& line) {
  const std::size_t blank = line.find(' ');
  if (blank == std::string::npos || line.size() < blank + 4) return 0;
  int status = 0;
  for (std::size_t i = blank + 1; i <= blank + 3; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    status = status * 10 + (line[i] - '0');
  }
  return status;
}

}  // namespace

CDownloadThread::CDownloadThread(std::shared_ptr<cwplat::CTimedMutex> shared, cwplat::CFile* file,
                                 std::shared_ptr<RangeAnswers> answers, SegmentLimits limits)
    : CThread(std::move(shared)), m_file(file), m_answers(std::move(answers)), m_limits(limits) {
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
  releaseStream();
  // A complete range is complete however the transfer ended: a whole-file
  // answer from byte 0 ends with the write error that cut its surplus off.
  if (task->DownloadedPos.load() == task->EndPos) {
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

void CDownloadThread::prepareTransfer() {
  m_cursor = currentTask()->DownloadedPos.load();
  m_transferStart = m_cursor;
  m_streamPos = m_cursor;
  m_answerStatus = 0;
  m_bodyAccepted = false;
  releaseStream();
}

std::size_t CDownloadThread::downloadFunc(const char* data, std::size_t size, std::size_t nmemb) {
  // The window was closed: a range in flight ends now, not when it is done.
  if (CDownLoadImpl::Cancelled()) return 0;
  CTask* task = currentTask();
  if (!m_bodyAccepted) {  // e.g. the body of a redirect that could not be followed
    refuse("answer " + std::to_string(m_answerStatus) + " carries no range");
    return 0;
  }
  std::size_t bytes = size * nmemb;
  // A whole-file answer to a resumed first range repeats what is on disk.
  const std::size_t skipped =
      static_cast<std::size_t>(std::min<std::uint64_t>(bytes, std::max<std::int64_t>(m_cursor - m_streamPos, 0)));
  m_streamPos += static_cast<std::int64_t>(skipped);
  data += skipped;
  bytes -= skipped;
  std::size_t written = 0;
  if (bytes != 0) {
    m_shared->Lock();
    // The stream owns the file: a range answer of another worker stops here.
    const bool outstreamed = !m_streaming && m_answers->streaming.load();
    if (!outstreamed) written = m_streaming ? writeStream(data, bytes) : writeRange(data, bytes);
    m_shared->Unlock();
    if (outstreamed) {
      refuse("the whole file comes in one stream");
      return 0;
    }
  }
  m_streamPos += static_cast<std::int64_t>(written);

  const std::size_t items = size == 0 ? 0 : (skipped + written) / size;
  if (items != nmemb) {
    CWLOG << " Thread: " << cwplat::GetCurrentThreadId() << " Write Error. Task id：" << task->id.load()
          << " Download to:" << task->DownloadedPos.load() << " Receive:" << nmemb << " Write:" << items
          << " Task EndPos:" << task->EndPos;
  }
  return items;
}

std::size_t CDownloadThread::writeRange(const char* data, std::size_t bytes) {
  CTask* task = currentTask();
  // Bytes the range can still take: through EndPos, or up to the content
  // length for the last range. Anything beyond is surplus and dropped.
  const std::int64_t limit = task->isLastRange() ? task->EndPos : task->EndPos + 1;
  const std::int64_t room = std::max<std::int64_t>(limit - m_cursor, 0);
  const std::size_t wanted = static_cast<std::uint64_t>(room) < bytes ? static_cast<std::size_t>(room) : bytes;
  if (wanted == 0) return 0;
  const std::size_t written = m_file->WriteAt(data, wanted, m_cursor);
  m_cursor += static_cast<std::int64_t>(written);
  task->DownloadedPos.store(PublishedPosition(*task, m_cursor), std::memory_order_release);
  return written;
}

std::size_t CDownloadThread::writeStream(const char* data, std::size_t bytes) {
  std::size_t written = 0;
  while (written < bytes && m_streamTask != nullptr) {
    CTask* task = m_streamTask;
    const std::int64_t limit = task->isLastRange() ? task->EndPos : task->EndPos + 1;
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::int64_t>(limit - m_cursor, static_cast<std::int64_t>(bytes - written)));
    const std::size_t n = wanted == 0 ? 0 : m_file->WriteAt(data + written, wanted, m_cursor);
    m_cursor += static_cast<std::int64_t>(n);
    written += n;
    // Bytes an earlier start left in a later range are written again, the
    // same bytes: its position never goes back.
    const std::int64_t published = PublishedPosition(*task, m_cursor);
    if (published > task->DownloadedPos.load()) task->DownloadedPos.store(published, std::memory_order_release);
    if (n < wanted) break;  // a failed write
    if (m_cursor == limit) m_streamTask = m_answers->next(task);
  }
  return written;
}

bool CDownloadThread::claimStream() {
  bool expected = false;
  if (!m_answers->streaming.compare_exchange_strong(expected, true)) return false;
  m_streaming = true;
  m_streamTask = currentTask();
  return true;
}

void CDownloadThread::releaseStream() {
  if (!m_streaming) return;
  m_streaming = false;
  m_streamTask = nullptr;
  m_answers->streaming.store(false);
}

std::int64_t CDownloadThread::expectedContentLength() const { return currentTask()->contentLength; }

std::string& CDownloadThread::cdnText() { return currentTask()->cdnText; }

const std::string& CDownloadThread::probeCdnText() const { return currentTask()->probeCdnText; }

int CDownloadThread::taskId() const { return currentTask()->id.load(); }

bool CDownloadThread::taskLogging() const { return currentTask()->logging != 0; }

bool CDownloadThread::acceptStatusLine(const std::string& line) {
  m_answerStatus = StatusCode(line);
  releaseStream();  // a redirect hop's answer is not the final one
  // The whole file is taken only for the lowest range not yet on disk, which
  // then streams on through the later ranges: what it repeats of the bytes
  // before its range is skipped. For any later range it would cost the whole
  // file before it, and write where others write.
  const bool wholeFile = m_answerStatus == 200 && m_answers->lowestIncomplete() == currentTask() && claimStream();
  if (wholeFile && m_answers->next(currentTask()) != nullptr && !m_answers->streamLogged.exchange(true)) {
    CWLOG << " The server ignores ranges: the whole file comes in one stream, from task " << taskId();
  }
  m_bodyAccepted = m_answerStatus == 206 || wholeFile;
  m_streamPos = wholeFile ? 0 : m_transferStart;
  // 1xx: the real answer follows. 3xx: a hop; one that is not followed has its body refused.
  if (m_bodyAccepted || (m_answerStatus >= 100 && m_answerStatus < 200) ||
      (m_answerStatus >= 300 && m_answerStatus < 400)) {
    return true;
  }
  if (m_answerStatus == 200) m_answers->rangesIgnored.store(true);
  refuse("answer: " + line.substr(0, line.find('\r')));
  return false;
}

bool CDownloadThread::acceptContentLength(std::int64_t length) {
  const std::int64_t expected = expectedContentLength();
  if (m_answerStatus != 200 || expected == 0 || length == expected) return true;
  m_bodyAccepted = false;
  releaseStream();
  refuse("whole file of " + std::to_string(length) + " bytes, expected " + std::to_string(expected));
  return false;
}

bool CDownloadThread::acceptRangeStart(std::int64_t first) {
  if (first == m_transferStart) return true;
  m_bodyAccepted = false;
  refuse("range from " + std::to_string(first) + ", asked from " + std::to_string(m_transferStart));
  return false;
}

void CDownloadThread::refuse(const std::string& why) {
  CWLOG << " Tasks info, range refused, id = " << taskId() << ", " << why;
}
