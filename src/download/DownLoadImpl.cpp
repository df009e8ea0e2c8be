#include "DownLoadImpl.h"

#include "CDownloader.h"
#include "CdnUrl.h"
#include "DownloadTuning.h"
#include "EngineEvents.h"
#include "platform/file_io.h"
#include "platform/log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// Pause between watch passes; the driver ending cuts it short.
constexpr std::uint64_t kWatchPauseMs = 20;

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

// Waits for the driver, takes the CDN report and releases the start. A driver
// that does not end in time still uses the downloader: it is left alive.
std::string EndStart(std::unique_ptr<CDownloader>& downloader, std::uint64_t joinMs) {
  const bool ended = downloader->waitDriver(joinMs);
  std::string report = downloader->getCdnReport();
  if (ended) {
    downloader->clearDownload();
  } else {
    CWLOG << " download driver did not end in time, left running";
    (void)downloader.release();
  }
  return report;
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

EnumErrorCode CDownLoadImpl::SuperDownloadFile(const std::string& remoteUrl, const std::string& localPath,
                                               std::string& cdnReport, bool mainDownload) {
  const DownloadTuning tuning = CurrentDownloadTuning();
  const bool cdn = isCdnUrl(remoteUrl);
  auto downloader = std::make_unique<CDownloader>(remoteUrl, localPath, localPath + ".xml", WorkerCount());

  const EnumErrorCode init = downloader->downloadInit(false, "Download", mainDownload ? 1 : 0);
  if (init != DOWNLOAD_SUCCESS) {
    downloader->setRunState(CDownloader::kStop);
    cdnReport = EndStart(downloader, tuning.driverJoinMs);
    return init;
  }

  downloader->setRunState(CDownloader::kRun);
  EngineEvents::FunnelPair("Download", "SliceDownloading", "", "");
  std::int64_t previousDownloaded = 0;
  std::uint64_t previousTick = tuning.now();
  double fastest = 0;
  double slowest = 102400.0;

  EnumErrorCode stopResult = DOWNLOAD_SUCCESS;
  bool networkDead = !tuning.isNetworkAlive();
  while (!networkDead) {
    const DownloadProgress p = downloader->progress();
    if (p.downloaded > previousDownloaded) {
      if (p.updateTick > previousTick) {
        const double mb = static_cast<double>(p.downloaded - previousDownloaded) / 1024 / 1024;
        const double sample = mb / (static_cast<double>(p.updateTick - previousTick) / 1000);
        fastest = std::max(fastest, sample);
        slowest = std::min(slowest, sample);
      }
      previousDownloaded = p.downloaded;
      previousTick = p.updateTick;
    }
    // Signed: the record's tick may be a little older than the watch's first tick.
    const auto sinceProgress = static_cast<std::int64_t>(p.updateTick) - static_cast<std::int64_t>(previousTick);
    if (p.downloaded == previousDownloaded && sinceProgress >= static_cast<std::int64_t>(tuning.stallLimitMs)) {
      CWLOG << "too long no speed:";
      stopResult = DOWNLOAD_NO_SPEED;
      break;
    }
    const std::int64_t tasks = downloader->taskCount();
    if (cdn && p.requestCount > 3 * tasks) {
      CWLOG << " ---cdn fail:" << p.requestCount << " > 3 * " << tasks;
      stopResult = DOWNLOAD_CDN_FAILED;
      break;
    }
    if (downloader->runState() == CDownloader::kStop) break;  // every range done
    if (mainDownload) ShowProgress(p.bytesOnDisk, downloader->contentLength());
    networkDead = !tuning.isNetworkAlive();
    if (!networkDead) downloader->waitDriver(kWatchPauseMs);
  }

  if (networkDead) {
    CWLOG << "network is  no  alive";
    downloader->setRunState(CDownloader::kStop);
    cdnReport = EndStart(downloader, tuning.driverJoinMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(tuning.networkEndingSleepMs));
    return DOWNLOAD_NETWORK_DEAD;
  }
  if (stopResult != DOWNLOAD_SUCCESS) {
    downloader->setRunState(CDownloader::kStop);
    cdnReport = EndStart(downloader, tuning.driverJoinMs);
    return stopResult;
  }

  // Completion: the driver stopped by itself.
  const std::string report = EndStart(downloader, tuning.driverJoinMs);
  if (!downloader) {
    cdnReport = report;
    return DOWNLOAD_LENGTH_ERROR;
  }
  const DownloadProgress last = downloader->progress();
  const std::int64_t length = downloader->contentLength();
  const EnumErrorCode result = CompletionResult(last.bytesOnDisk, length, localPath, mainDownload);
  if (result == DOWNLOAD_FILE_TOO_SMALL) return result;
  cdnReport = report;
  if (result != DOWNLOAD_SUCCESS) return result;

  // The display sees the final count before anyone reports on it: a fast
  // download can end before the watch ever showed a sample.
  if (mainDownload) ShowProgress(std::min(last.bytesOnDisk, length), length);
  if (downloader->started()) {
    const double average = static_cast<double>(static_cast<std::int64_t>(last.averageSpeed / 1048576.0 * 100)) / 100;
    CWLOG << " Average speed: " << Format("%.1fMB/s", average);
    CWLOG << " Download speed range " << Format("%.1f MB/s", slowest) << " - " << Format("%.1f MB/s", fastest);
  }
  return DOWNLOAD_SUCCESS;
}
