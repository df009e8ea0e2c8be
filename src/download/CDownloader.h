// One start of one download: the task manager, the worker pool and the driver
// thread that feeds tasks to idle workers, measures progress and saves the
// task file. The owner sets it running, watches the progress record and stops it.
#pragma once

#include "CDownloadTaskManager.h"
#include "CDownloadThreadManager.h"
#include "DownloadTuning.h"
#include "EnumErrorCode.h"
#include "TaskFileSaver.h"
#include "platform/sync.h"
#include "platform/thread.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

// The progress record, replaced as a whole by the driver at each update.
struct DownloadProgress {
  std::uint64_t updateTick = 0;
  std::int64_t downloaded = 0;       // reported: sum of (DownloadedPos - StartPos + 1)
  std::int64_t bytesOnDisk = 0;      // exact: what completion and percent rely on
  std::string speedText = "0.0B/S";
  double percent = 0;
  std::int64_t downloadTime = 0;     // ms, over all starts
  std::int64_t averageSpeed = 0;     // bytes per second
  std::string averageText = "0.0B/S";
  std::int64_t requestCount = 0;
};

class CDownloader {
 public:
  enum RunState { kStop = 0, kRun = 1, kIdle = 2 };

  CDownloader(std::string remoteUrl, std::string localPath, std::string taskFilePath, int workerCount);
  ~CDownloader();
  CDownloader(const CDownloader&) = delete;
  CDownloader& operator=(const CDownloader&) = delete;

  EnumErrorCode downloadInit(bool ignored, const std::string& label, int logging);

  void setRunState(int state);
  int runState() const { return m_runState.load(); }
  // Waits for the driver thread; true once it has ended.
  bool waitDriver(std::uint64_t timeoutMs) { return m_driver.Join(timeoutMs); }

  // A progress sample: byte counts, speed and time; a tick equal to the last
  // sample's changes nothing.
  void updateDownloadInfo();
  // After the driver has ended: tasks, file and workers are released. False
  // while anything of this start may still write to its output: the driver
  // runs on, or a worker ignored the stop.
  bool clearDownload();
  std::string getCdnReport() const;

  DownloadProgress progress() const;
  bool started() const { return m_started.load() != 0; }
  // True once every range left has failed and none is in flight: the start
  // can make no more progress (failed ranges are not handed out again).
  bool rangesExhausted() const { return m_exhausted.load(); }
  std::int64_t contentLength() const { return m_tasks.contentLength(); }
  const std::string& localPath() const { return m_localPath; }
  int taskCount() const { return static_cast<int>(m_tasks.tasks().size()); }
  const CDownloadTaskManager& taskManager() const { return m_tasks; }

 private:
  void downloaderThread();
  void driverPass(double& savedTenths);
  // Hands the current state to the saver thread.
  void save(const DownloadProgress& now);
  // Saves between the 10 % steps too, so that a killed process loses little.
  void saveIfDue(const DownloadProgress& now);
  bool allHandedOutComplete() const;
  // Ranges whose bytes are all on disk are complete, whoever wrote them.
  void markRangesOnDisk();
  struct Totals {
    std::int64_t downloaded = 0;
    std::int64_t onDisk = 0;
    std::int64_t requests = 0;
  };
  Totals countTasks() const;
  double percentOf(std::int64_t onDisk) const;
  // The driver's last act: the record's byte counts become exact whatever
  // the clock says.
  void recordFinalCounts();

  const std::string m_remoteUrl;
  const std::string m_localPath;
  const std::string m_taskFilePath;
  const int m_workerCount;
  const DownloadTuning m_tuning;

  std::atomic<int> m_runState{kIdle};
  std::atomic<int> m_started{0};
  std::atomic<bool> m_exhausted{false};
  mutable std::mutex m_progressMutex;
  DownloadProgress m_progress;

  CDownloadTaskManager m_tasks;
  CDownloadThreadManager m_pool;
  // Set by a worker that goes idle and by a run-state change: the driver waits
  // on it between passes instead of sleeping blind.
  std::shared_ptr<cwplat::CEvent> m_wake;
  CTaskFileSaver m_saver;
  bool m_workerLeftBehind = false;  // driver thread and clearDownload only
  std::int64_t m_savedBytes = 0;
  std::uint64_t m_savedTick = 0;
  cwplat::CThread m_driver;  // last: started once everything above exists
};
