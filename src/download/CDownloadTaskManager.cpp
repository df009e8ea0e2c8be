#include "CDownloadTaskManager.h"

#include "EngineEvents.h"
#include "platform/file_io.h"
#include "platform/log.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr int kProbeAttempts = 10;
constexpr auto kProbePause = std::chrono::milliseconds(100);

}  // namespace

CDownloadTaskManager::CDownloadTaskManager(std::string remoteUrl, std::string localPath, std::string taskFilePath)
    : m_taskFilePath(std::move(taskFilePath)), m_remoteUrl(std::move(remoteUrl)), m_localPath(std::move(localPath)) {}

CDownloadTaskManager::~CDownloadTaskManager() = default;

CTask* CDownloadTaskManager::getTask() {
  if (m_waiting.empty()) return nullptr;
  CTask* task = m_waiting.front();
  m_waiting.pop_front();
  task->status.store(CTask::kHandedOut);
  m_handedOut.push_back(task);
  return task;
}

void CDownloadTaskManager::addWaitingTask(CTask* task) { m_waiting.push_back(task); }

void CDownloadTaskManager::addHandedOutTask(CTask* task) { m_handedOut.push_back(task); }

void CDownloadTaskManager::addTask(std::unique_ptr<CTask> task) {
  CTask* raw = task.get();
  m_tasks.push_back(std::move(task));
  if (raw->status.load() == CTask::kComplete) {
    addHandedOutTask(raw);
  } else {
    addWaitingTask(raw);
  }
}

void CDownloadTaskManager::clearTasks() {
  m_waiting.clear();
  m_handedOut.clear();
  m_tasks.clear();
  TasksCount = 0;
}

void CDownloadTaskManager::logTasksInfo(const char* what) const {
  CWLOG << " Tasks info, " << what << " ok, total " << m_tasks.size() << ", todo " << m_waiting.size()
        << ", complete " << m_handedOut.size();
}

EnumErrorCode CDownloadTaskManager::loadDownloadTask(bool ignored, const std::string& label, int logging) {
  if (cwplat::CanOpenForReading(m_taskFilePath)) {
    const bool allComplete = loadTaskFromFile(logging);
    if (checkTaskFile() == kCheckValid) {
      CWLOG << " Load tasks from file success!";
      if (!allComplete) EngineEvents::FunnelPair("Download", "ResumUpload", "", "");
      return DOWNLOAD_SUCCESS;
    }
    CWLOG << " taskinfo file error";
    clearTasks();
    cwplat::RemoveFile(m_localPath);
    cwplat::RemoveFile(m_taskFilePath);
    ContentLength = 0;
    DownloadTime = 0;
  }
  return generateDownloadTask(ignored, label, logging);
}

EnumErrorCode CDownloadTaskManager::generateDownloadTask(bool /*ignored*/, const std::string& label, int logging) {
  clearTasks();
  std::string probeCdnText;
  std::int64_t size = 0;
  CURLcode lastCode = CURLE_OK;
  std::vector<std::string> report;
  for (int attempt = 0; attempt < kProbeAttempts && size <= 0; ++attempt) {
    CURLcode code = CURLE_OK;
    size = getContentLength(code, probeCdnText, logging);
    lastCode = code;
    if (size > 0) {
      report.emplace_back("Success");
    } else {
      report.push_back("error:" + std::to_string(static_cast<int>(code)));
      std::this_thread::sleep_for(kProbePause);
    }
  }
  while (report.size() < kProbeAttempts) report.emplace_back("Null");

  if (!label.empty()) {
    std::string joined;
    for (std::size_t i = 0; i < report.size(); ++i) joined += (i == 0 ? "" : "/") + report[i];
    EngineEvents::Simple("Other", "Download", joined);
    CWLOG << " GetSize: " << label << ", " << joined;
  }

  const std::int64_t count = size / CTask::kRangeSize;
  if (size > 0 && count > kMaxTasks) {
    CWLOG << " [Error]: content length " << size << " is beyond what a download may be";
    size = 0;
  }
  if (size <= 0) {
    CWLOG << " [Error]: cannot get the content length, curl code " << static_cast<int>(lastCode);
    return lastCode == CURLE_TOO_MANY_REDIRECTS ? DOWNLOAD_TOO_MANY_REDIRECTS : DOWNLOAD_GET_SIZE_FAILED;
  }

  ContentLength = size;
  TasksCount = count == 0 ? 1 : static_cast<int>(count);
  for (int n = 1; n <= TasksCount; ++n) {
    auto task = std::make_unique<CTask>();
    task->StartPos = static_cast<std::int64_t>(n - 1) * CTask::kRangeSize;
    task->DownloadedPos.store(task->StartPos);
    task->EndPos = n == TasksCount ? ContentLength : static_cast<std::int64_t>(n) * CTask::kRangeSize - 1;
    task->status.store(CTask::kWaiting);
    task->id.store(n);
    task->remotePath = m_remoteUrl;
    task->localPath = m_localPath;
    task->contentLength = ContentLength;
    task->probeCdnText = probeCdnText;
    task->logging = logging;
    addTask(std::move(task));
  }
  if (logging != 0) logTasksInfo("generate");
  return DOWNLOAD_SUCCESS;
}

int CDownloadTaskManager::checkTaskFile() {
  CURLcode code = CURLE_OK;
  std::string probeCdnText;
  // The server, not the cache: the cache holds what the task file itself said.
  return checkTasks(getContentLength(code, probeCdnText, 0, false));
}

int CDownloadTaskManager::checkTasks(std::int64_t remoteSize) {
  const int verdict = classifyTasks(remoteSize);
  if (verdict == kCheckSizeDiffers) EngineEvents::Simple("Other", "FlowError", "DL025");
  if (verdict == kCheckRangesInconsistent) EngineEvents::Simple("Other", "FlowError", "DL026");
  return verdict;
}

int CDownloadTaskManager::classifyTasks(std::int64_t remoteSize) const {
  if (remoteSize != ContentLength) return kCheckSizeDiffers;
  std::int64_t expected = 0;
  bool tiles = !m_tasks.empty() && ContentLength < INT64_MAX;
  for (const auto& task : m_tasks) {
    if (!tiles) break;
    const std::int64_t aligned = (static_cast<std::int64_t>(task->id.load()) - 1) * CTask::kRangeSize;
    // Every range holds at least one byte, so "fully fetched" never means "never fetched".
    tiles = task->StartPos == aligned && task->StartPos == expected && task->EndPos > task->StartPos &&
            task->EndPos < INT64_MAX;
    if (tiles) expected = task->EndPos + 1;
  }
  return tiles && expected == ContentLength + 1 ? kCheckValid : kCheckRangesInconsistent;
}
