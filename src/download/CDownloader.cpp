#include "CDownloader.h"

#include "SizeText.h"
#include "platform/log.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Longest the driver waits between passes when no worker wakes it; progress
// and speed are measured at least this often.
constexpr std::uint64_t kPassMs = 10;
// Extra saves between the 10 % steps: after this share of the file, or after
// this long with any progress, whichever comes first.
constexpr std::int64_t kSaveEveryFiftieth = 50;
constexpr std::int64_t kSaveMinBytes = 256 * 1024;
constexpr std::uint64_t kSaveEveryMs = 1000;

}  // namespace

CDownloader::CDownloader(std::string remoteUrl, std::string localPath, std::string taskFilePath, int workerCount)
    : m_remoteUrl(std::move(remoteUrl)),
      m_localPath(std::move(localPath)),
      m_taskFilePath(std::move(taskFilePath)),
      m_workerCount(workerCount),
      m_tuning(CurrentDownloadTuning()),
      m_tasks(m_remoteUrl, m_localPath, m_taskFilePath),
      m_pool(m_localPath, m_tuning.segment),
      m_wake(std::make_shared<cwplat::CEvent>(false, false)),
      m_saver(m_taskFilePath) {
  m_pool.setIdleSignal(m_wake);
  m_progress.updateTick = m_tuning.now();
  m_savedTick = m_progress.updateTick;
  m_driver.Start([this] { downloaderThread(); });
}

CDownloader::~CDownloader() {
  setRunState(kStop);
  if (!m_driver.Join(m_tuning.driverJoinMs)) CWLOG << " download driver did not end";
}

void CDownloader::setRunState(int state) {
  m_runState.store(state);
  m_wake->Set();
}

EnumErrorCode CDownloader::downloadInit(bool ignored, const std::string& label, int logging) {
  const EnumErrorCode loaded = m_tasks.loadDownloadTask(ignored, label, logging);
  if (loaded != DOWNLOAD_SUCCESS) {
    CWLOG << " [Error]: " << "error to loadDownloadTask";
    return loaded;
  }
  const int created = m_pool.createThreads(m_workerCount);
  if (created == -1) return DOWNLOAD_OPEN_FILE_FAILED;
  if (created == 0) {
    CWLOG << " [Error]: " << " createThreads is empty";
    return DOWNLOAD_NO_THREADS;
  }
  std::vector<CTask*> inOrder;
  for (const auto& task : m_tasks.tasks()) inOrder.push_back(task.get());
  std::sort(inOrder.begin(), inOrder.end(), [](const CTask* a, const CTask* b) { return a->StartPos < b->StartPos; });
  m_pool.setTasks(std::move(inOrder));
  // Bytes past the remote size (a longer file of an earlier run) would stay.
  if (m_pool.file().Size() > m_tasks.contentLength()) m_pool.file().Truncate(m_tasks.contentLength());
  m_started.store(0);
  return DOWNLOAD_SUCCESS;
}

bool CDownloader::allHandedOutComplete() const {
  return std::all_of(m_tasks.handedOutTasks().begin(), m_tasks.handedOutTasks().end(),
                     [](const CTask* t) { return t->status.load() == CTask::kComplete; });
}

void CDownloader::downloaderThread() {
  double savedTenths = 0;
  for (;;) {
    const int state = m_runState.load();
    if (state == kStop) {
      if (!m_pool.hasBusyThreads()) break;
      m_pool.reclaimIdleThreads();
      updateDownloadInfo();
      m_wake->Wait(kPassMs);  // a worker that finishes its request wakes us
    } else if (state == kIdle) {
      m_wake->Wait(kPassMs);
    } else {
      driverPass(savedTenths);
    }
  }

  markRangesOnDisk();
  const bool failed = std::any_of(m_tasks.tasks().begin(), m_tasks.tasks().end(),
                                  [](const auto& t) { return t->status.load() != CTask::kComplete; });
  const bool haveTasks = !m_tasks.tasks().empty();  // nothing to record when the split never happened
  if (failed) {
    CWLOG << " Stopping Download," << "Mission Failed";
    m_saver.post(m_tasks.taskFileText());
  }
  m_pool.stopThreads();
  updateDownloadInfo();
  // The sample above is skipped when its tick equals the last one; the owner
  // decides completion from this record, so its byte counts must be final.
  recordFinalCounts();
  CWLOG << " Stopping Download," << "Update DownloadInfo";
  if (haveTasks) m_saver.post(m_tasks.taskFileText());
  m_saver.flush();  // the file is final before anyone learns the driver ended
  CWLOG << " Download Stopped！";
}

void CDownloader::markRangesOnDisk() {
  for (const auto& task : m_tasks.tasks()) {
    if (task->status.load() != CTask::kComplete && task->bytesOnDisk() == task->rangeBytes()) {
      task->status.store(CTask::kComplete);
    }
  }
}

void CDownloader::driverPass(double& savedTenths) {
  // A whole-file stream completes ranges that no worker was given.
  markRangesOnDisk();
  const DownloadProgress now = progress();
  if (now.percent / 10 > savedTenths) {
    savedTenths += 1;
    save(now);
  } else {
    saveIfDue(now);
  }

  if (m_tasks.waitingCount() == 0 && allHandedOutComplete() && !m_pool.hasBusyThreads()) {
    setRunState(kStop);
    CWLOG << " Download will stop";
    return;
  }
  m_started.store(1);
  m_pool.reclaimIdleThreads();
  updateDownloadInfo();
  // The server ignores ranges: no range is handed out any more, each would be
  // answered with the whole file. The whole-file stream (or a request that may
  // still become it) runs to its end, and the stream's end is the start's:
  // complete when it took every byte, short of the remote size otherwise.
  if (m_pool.serverIgnoresRanges() || m_pool.streaming()) {
    if (!m_pool.hasBusyThreads()) {
      setRunState(kStop);
      CWLOG << " Download will stop, the server answers ranges with the whole file";
      return;
    }
    m_wake->Wait(kPassMs);
    return;
  }
  while (m_tasks.waitingCount() != 0 && m_pool.hasFreeThreads()) {
    m_pool.giveTaskToAThreadTodo(m_tasks.getTask());
  }
  // Failed ranges are not handed out again in this start: with none waiting
  // and none in flight, nothing more can arrive.
  if (m_tasks.waitingCount() == 0 && !m_pool.hasBusyThreads() && !allHandedOutComplete()) m_exhausted.store(true);
  m_wake->Wait(kPassMs);
}

void CDownloader::saveIfDue(const DownloadProgress& now) {
  const std::int64_t gained = now.bytesOnDisk - m_savedBytes;
  if (gained <= 0) return;
  const std::int64_t step = std::max(m_tasks.contentLength() / kSaveEveryFiftieth, kSaveMinBytes);
  if (gained < step && now.updateTick - m_savedTick < kSaveEveryMs) return;
  save(now);
}

void CDownloader::save(const DownloadProgress& now) {
  m_saver.post(m_tasks.taskFileText());
  m_savedBytes = now.bytesOnDisk;
  m_savedTick = now.updateTick;
}

CDownloader::Totals CDownloader::countTasks() const {
  Totals totals;
  for (const auto& task : m_tasks.tasks()) {
    totals.downloaded += task->DownloadedPos.load(std::memory_order_acquire) - task->StartPos + 1;
    totals.onDisk += task->bytesOnDisk();
    totals.requests += task->RequestTimes.load();
  }
  return totals;
}

double CDownloader::percentOf(std::int64_t onDisk) const {
  const std::int64_t length = m_tasks.contentLength();
  return length > 0 ? static_cast<double>(std::min(onDisk, length) * 10000 / length) / 100.0 : 0.0;
}

void CDownloader::updateDownloadInfo() {
  const std::uint64_t now = m_tuning.now();
  const Totals totals = countTasks();

  std::lock_guard<std::mutex> lock(m_progressMutex);
  if (now == m_progress.updateTick) return;
  if (now < m_progress.updateTick) {  // a clock that went back: start measuring afresh
    m_progress.updateTick = now;
    return;
  }
  const std::uint64_t elapsed = now - m_progress.updateTick;
  m_tasks.addDownloadTime(static_cast<std::int64_t>(elapsed));
  DownloadProgress next;
  next.updateTick = now;
  next.downloaded = totals.downloaded;
  next.bytesOnDisk = totals.onDisk;
  const std::int64_t speed = (totals.downloaded - m_progress.downloaded) * 1000 / static_cast<std::int64_t>(elapsed);
  next.speedText = FuntionImpl::SizeText(speed) + "/S";
  next.percent = percentOf(totals.onDisk);
  next.downloadTime = m_tasks.downloadTime();
  next.averageSpeed = next.downloadTime > 0 ? totals.downloaded / next.downloadTime * 1000 : 0;
  next.averageText = FuntionImpl::SizeText(next.averageSpeed) + "/S";
  next.requestCount = totals.requests;
  m_progress = std::move(next);
}

void CDownloader::recordFinalCounts() {
  const Totals totals = countTasks();
  std::lock_guard<std::mutex> lock(m_progressMutex);
  m_progress.downloaded = totals.downloaded;
  m_progress.bytesOnDisk = totals.onDisk;
  m_progress.percent = percentOf(totals.onDisk);
  m_progress.requestCount = totals.requests;
}

DownloadProgress CDownloader::progress() const {
  std::lock_guard<std::mutex> lock(m_progressMutex);
  return m_progress;
}

bool CDownloader::clearDownload() {
  if (!m_driver.Join(0)) {
    CWLOG << " download driver still running, nothing cleared";
    return false;
  }
  m_tasks.clearTasks();
  // A worker that never stopped may still write: its file stays open, for good.
  if (m_pool.clearThreads() != 0) m_workerLeftBehind = true;
  if (!m_workerLeftBehind) m_pool.closeFile();
  m_runState.store(kIdle);
  std::lock_guard<std::mutex> lock(m_progressMutex);
  m_progress.updateTick = m_tuning.now();
  return !m_workerLeftBehind;
}

std::string CDownloader::getCdnReport() const {
  std::string probe;
  std::string report;
  for (const CTask* task : m_tasks.handedOutTasks()) {
    probe = task->probeCdnText;
    if (!task->cdnText.empty()) report += task->cdnText + ";";
  }
  if (report.empty()) return {};
  return "T(" + probe + ");C(" + report + ")";
}
