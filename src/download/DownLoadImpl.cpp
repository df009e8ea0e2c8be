#include "DownLoadImpl.h"

#include "CDownloader.h"
#include "CdnUrl.h"
#include "DownloadTuning.h"
#include "EngineEvents.h"
#include "platform/file_io.h"
#include "platform/log.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// Pause between watch passes; the driver ending cuts it short.
constexpr std::uint64_t kWatchPauseMs = 20;
// The network state is asked at most this often: asking lists every
// interface (some 45 us), which fifty passes a second made a steady cost of
// a download that has nothing else to do.
constexpr std::uint64_t kNetworkCheckMs = 100;

std::mutex g_displayMutex;
std::function<void(std::int64_t, std::int64_t)> g_display;

void ShowProgress(std::int64_t downloaded, std::int64_t total) {
  std::lock_guard<std::mutex> lock(g_displayMutex);
  if (g_display) g_display(downloaded, total);
}

int WorkerCount() {
  const int processors = static_cast<int>(std::thread::hardware_concurrency());
  return std::max(4, processors * 8 / 5);
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

// Starts that could still write to their output when they were ended (a
// driver past its join limit, a worker that ignored the stop), by output
// path. They are kept alive, never freed under a running thread, and no later
// start of the same file may begin while one lives: never two writers. Never
// destroyed: a driver may still run at exit.
std::mutex g_stillWritingMutex;
auto* g_stillWriting = new std::map<std::string, CDownloader*>;

// Waits for the driver, takes the CDN report and releases the start; one that
// may still write is set aside instead (it stays alive at least until the
// next start of its file). *driverEnded tells whether the driver ended.
std::string EndStart(std::unique_ptr<CDownloader>& downloader, std::uint64_t joinMs, bool* driverEnded = nullptr) {
  const bool ended = downloader->waitDriver(joinMs);
  if (driverEnded != nullptr) *driverEnded = ended;
  std::string report = downloader->getCdnReport();
  if (!ended) CWLOG << " download driver did not end in time, left running";
  if (!ended || !downloader->clearDownload()) {
    const std::string path = downloader->localPath();
    std::lock_guard<std::mutex> lock(g_stillWritingMutex);
    (*g_stillWriting)[path] = downloader.release();
  }
  return report;
}

// True when nothing of an earlier start writes to `localPath` any more; an
// earlier start that was set aside gets up to joinMs to end and is released
// once it has.
bool EarlierStartEnded(const std::string& localPath, std::uint64_t joinMs) {
  CDownloader* earlier = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_stillWritingMutex);
    const auto it = g_stillWriting->find(localPath);
    if (it == g_stillWriting->end()) return true;
    earlier = it->second;
  }
  if (!earlier->waitDriver(joinMs) || !earlier->clearDownload()) return false;
  {
    std::lock_guard<std::mutex> lock(g_stillWritingMutex);
    g_stillWriting->erase(localPath);
  }
  delete earlier;
  return true;
}

// What watching one start found: why it stopped (success: every range done)
// and the fastest and slowest speed samples in MB/s.
struct StartWatch {
  EnumErrorCode stopResult = DOWNLOAD_SUCCESS;
  bool networkDead = false;
  double fastest = 0;
  double slowest = 102400.0;
};

// Watches a running start from the calling thread until every range is done,
// no byte arrived for the stall limit, a CDN start made too many requests or
// the network died; shows the progress of a main download on the way.
std::atomic<bool> g_cancelled{false};

StartWatch WatchStart(CDownloader& downloader, const DownloadTuning& tuning, bool cdn, bool mainDownload) {
  StartWatch watch;
  std::int64_t previousDownloaded = 0;
  std::uint64_t previousTick = tuning.now();
  watch.networkDead = !tuning.isNetworkAlive();
  std::uint64_t networkChecked = tuning.now();
  while (!watch.networkDead) {
    if (g_cancelled) {
      CWLOG << " Download cancelled";
      watch.stopResult = DOWNLOAD_NO_SPEED;
      return watch;
    }
    const DownloadProgress p = downloader.progress();
    if (p.downloaded > previousDownloaded) {
      if (p.updateTick > previousTick) {
        const double mb = static_cast<double>(p.downloaded - previousDownloaded) / 1024 / 1024;
        const double sample = mb / (static_cast<double>(p.updateTick - previousTick) / 1000);
        watch.fastest = std::max(watch.fastest, sample);
        watch.slowest = std::min(watch.slowest, sample);
      }
      previousDownloaded = p.downloaded;
      previousTick = p.updateTick;
    }
    // Signed: the record's tick may be a little older than the watch's first tick.
    const auto sinceProgress = static_cast<std::int64_t>(p.updateTick) - static_cast<std::int64_t>(previousTick);
    if (p.downloaded == previousDownloaded && sinceProgress >= static_cast<std::int64_t>(tuning.stallLimitMs)) {
      CWLOG << "too long no speed:";
      watch.stopResult = DOWNLOAD_NO_SPEED;
      return watch;
    }
    const std::int64_t tasks = downloader.taskCount();
    if (cdn && p.requestCount > 3 * tasks) {
      CWLOG << " ---cdn fail:" << p.requestCount << " > 3 * " << tasks;
      watch.stopResult = DOWNLOAD_CDN_FAILED;
      return watch;
    }
    if (downloader.runState() == CDownloader::kStop) return watch;  // every range done
    // Nothing left to try in this start: end it as a stall ends it, now
    // rather than after the stall limit, so that the next start resumes soon.
    if (downloader.rangesExhausted()) {
      CWLOG << " Every range left has failed and none is in flight";
      CWLOG << "too long no speed:";
      watch.stopResult = DOWNLOAD_NO_SPEED;
      return watch;
    }
    if (mainDownload) ShowProgress(p.bytesOnDisk, downloader.contentLength());
    if (const std::uint64_t now = tuning.now(); now - networkChecked >= kNetworkCheckMs) {
      networkChecked = now;
      watch.networkDead = !tuning.isNetworkAlive();
    }
    if (!watch.networkDead) downloader.waitDriver(kWatchPauseMs);
  }
  return watch;
}

// The ending of a start that did not complete: stop it and take its CDN report.
EnumErrorCode EndStopped(std::unique_ptr<CDownloader>& downloader, const DownloadTuning& tuning,
                         EnumErrorCode result, std::string& cdnReport) {
  downloader->setRunState(CDownloader::kStop);
  cdnReport = EndStart(downloader, tuning.driverJoinMs);
  return result;
}

// The ending of a start whose driver stopped by itself: the outcome from the
// driver's final counts and the file, the display's last sample, the speeds.
EnumErrorCode EndCompleted(std::unique_ptr<CDownloader>& downloader, const DownloadTuning& tuning,
                           const StartWatch& watch, const std::string& localPath, bool mainDownload,
                           std::string& cdnReport) {
  // The driver's final counts stay readable when the start is set aside.
  const CDownloader* const start = downloader.get();
  bool driverEnded = false;
  const std::string report = EndStart(downloader, tuning.driverJoinMs, &driverEnded);
  if (!driverEnded) {
    cdnReport = report;
    return DOWNLOAD_LENGTH_ERROR;
  }
  const DownloadProgress last = start->progress();
  const std::int64_t length = start->contentLength();
  const EnumErrorCode result = CDownLoadImpl::CompletionResult(last.bytesOnDisk, length, localPath, mainDownload);
  if (result == DOWNLOAD_FILE_TOO_SMALL) return result;
  cdnReport = report;
  if (result != DOWNLOAD_SUCCESS) return result;

  // The display sees the final count before anyone reports on it: a fast
  // download can end before the watch ever showed a sample.
  if (mainDownload) ShowProgress(std::min(last.bytesOnDisk, length), length);
  if (start->started()) {
    const double average = static_cast<double>(static_cast<std::int64_t>(last.averageSpeed / 1048576.0 * 100)) / 100;
    CWLOG << " Average speed: " << Format("%.1fMB/s", average);
    CWLOG << " Download speed range " << Format("%.1f MB/s", watch.slowest) << " - "
          << Format("%.1f MB/s", watch.fastest);
  }
  return DOWNLOAD_SUCCESS;
}

}  // namespace

void CDownLoadImpl::SetProgressDisplay(std::function<void(std::int64_t, std::int64_t)> display) {
  std::lock_guard<std::mutex> lock(g_displayMutex);
  g_display = std::move(display);
}

EnumErrorCode CDownLoadImpl::CompletionResult(std::int64_t bytesOnDisk, std::int64_t contentLength,
                                              const std::string& localPath, bool mainDownload) {
  if (bytesOnDisk < contentLength) {
    CWLOG << " lenth is error, less than remote file.";
    return DOWNLOAD_LENGTH_ERROR;
  }
  const std::int64_t size = cwplat::GetFileSize64(localPath).value_or(0);
  if (mainDownload && size < kMainDownloadFloor) return DOWNLOAD_FILE_TOO_SMALL;
  return DOWNLOAD_SUCCESS;
}

void CDownLoadImpl::SetCancelled(bool cancelled) { g_cancelled = cancelled; }
bool CDownLoadImpl::Cancelled() { return g_cancelled; }

EnumErrorCode CDownLoadImpl::SuperDownloadFile(const std::string& remoteUrl, const std::string& localPath,
                                               std::string& cdnReport, bool mainDownload) {
  if (g_cancelled) return DOWNLOAD_NO_SPEED;
  const DownloadTuning tuning = CurrentDownloadTuning();
  if (!EarlierStartEnded(localPath, tuning.driverJoinMs)) {
    CWLOG << " An earlier start of " << localPath << " still writes to it, this start is refused";
    cdnReport.clear();
    return DOWNLOAD_OPEN_FILE_FAILED;
  }
  auto downloader = std::make_unique<CDownloader>(remoteUrl, localPath, localPath + ".xml", WorkerCount());

  const EnumErrorCode init = downloader->downloadInit(false, "Download", mainDownload ? 1 : 0);
  if (init != DOWNLOAD_SUCCESS) return EndStopped(downloader, tuning, init, cdnReport);

  downloader->setRunState(CDownloader::kRun);
  EngineEvents::FunnelPair("Download", "SliceDownloading", "", "");
  const StartWatch watch = WatchStart(*downloader, tuning, isCdnUrl(remoteUrl), mainDownload);
  if (watch.networkDead) {
    CWLOG << "network is  no  alive";
    const EnumErrorCode result = EndStopped(downloader, tuning, DOWNLOAD_NETWORK_DEAD, cdnReport);
    std::this_thread::sleep_for(std::chrono::milliseconds(tuning.networkEndingSleepMs));
    return result;
  }
  if (watch.stopResult != DOWNLOAD_SUCCESS) return EndStopped(downloader, tuning, watch.stopResult, cdnReport);
  return EndCompleted(downloader, tuning, watch, localPath, mainDownload, cdnReport);
}
