// The tasks of one download: splitting the remote file into 4 MiB ranges, the
// waiting queue and the handed-out list, the task file that carries progress
// from one start to the next, the remote size probe and the process-wide
// cache of remote sizes.
#pragma once

#include "CTask.h"
#include "CTaskManager.h"
#include "EnumErrorCode.h"

#include <curl/curl.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class CDownloadTaskManager : public CTaskManager {
 public:
  // Results of the task-file check.
  enum CheckResult { kCheckValid = 1, kCheckSizeDiffers = 2, kCheckRangesInconsistent = 3 };

  // Bounds on what a probe or a task file may ask of us: 16384 ranges is a
  // 64 GiB package, far beyond any installer.
  static constexpr int kMaxTasks = 16384;
  static constexpr std::size_t kMaxTaskFileBytes = 32 * 1024 * 1024;

  CDownloadTaskManager(std::string remoteUrl, std::string localPath, std::string taskFilePath);
  ~CDownloadTaskManager() override;
  CDownloadTaskManager(const CDownloadTaskManager&) = delete;
  CDownloadTaskManager& operator=(const CDownloadTaskManager&) = delete;

  CTask* getTask() override;
  void addWaitingTask(CTask* task) override;
  void addHandedOutTask(CTask* task) override;

  // Tasks from the task file when it is valid, else a fresh split.
  EnumErrorCode loadDownloadTask(bool ignored, const std::string& label, int logging);
  // Probes the size (up to 10 times) and splits the file: 1, 6 or 13.
  EnumErrorCode generateDownloadTask(bool ignored, const std::string& label, int logging);
  // Reads the task file; true when every task read was complete.
  bool loadTaskFromFile(int logging);
  // The same from the file's text (the file reader and the fuzzer use it).
  bool loadTaskFromText(const std::string& text, int logging);
  // Validates the loaded tasks against the remote file, asking the server for
  // its current size: kCheckValid, kCheckSizeDiffers or kCheckRangesInconsistent.
  int checkTaskFile();
  // The same against a known remote size, with the events of a rejection.
  int checkTasks(std::int64_t remoteSize);
  // Only the verdict against a known remote size.
  int classifyTasks(std::int64_t remoteSize) const;
  // Replaces the task file with the current state (failures are silent).
  void saveTaskFile() const;
  // The task file's text for the current state.
  std::string taskFileText() const;
  void clearTasks();

  // Header-only probes of the remote size, following redirects by replacing
  // the remote URL; 0 on failure (code tells why). useCache false always asks
  // the server (and refreshes the cache).
  std::int64_t getContentLength(CURLcode& code, std::string& probeCdnText, int logging, bool useCache = true);

  // The process-wide cache of remote sizes by URL; thread-safe.
  static void storeContentLength(const std::string& url, std::int64_t size);
  static std::int64_t lookupContentLength(const std::string& url);
  static void clearContentLengthCacheForTesting();

  const std::vector<std::unique_ptr<CTask>>& tasks() const { return m_tasks; }
  const std::vector<CTask*>& handedOutTasks() const { return m_handedOut; }
  std::size_t waitingCount() const { return m_waiting.size(); }
  int tasksCount() const { return TasksCount; }
  std::int64_t contentLength() const { return ContentLength; }
  std::int64_t downloadTime() const { return DownloadTime; }
  void addDownloadTime(std::int64_t ms) { DownloadTime += ms; }
  const std::string& remoteUrl() const { return m_remoteUrl; }
  const std::string& localPath() const { return m_localPath; }
  const std::string& taskFilePath() const { return m_taskFilePath; }

 private:
  // Adds to the all-tasks list, then to the handed-out list (complete) or the queue.
  void addTask(std::unique_ptr<CTask> task);
  void logTasksInfo(const char* what) const;

  std::vector<std::unique_ptr<CTask>> m_tasks;
  int TasksCount = 0;
  std::vector<CTask*> m_handedOut;
  std::deque<CTask*> m_waiting;
  std::string m_taskFilePath;
  std::string m_remoteUrl;
  std::string m_localPath;
  std::int64_t ContentLength = 0;
  std::int64_t DownloadTime = 0;
};
