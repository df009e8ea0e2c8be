// The remote size probe: header-only requests that follow redirects by
// replacing the task manager's remote URL, note the CDN node that answered,
// and remember each size in a process-wide cache.
#include "CDownloadTaskManager.h"

#include "CLibcurlTool.h"
#include "EngineEvents.h"
#include "ProbeHeaders.h"
#include "platform/log.h"

#include <map>
#include <mutex>

namespace {

// Each location hop costs one probe; a chain longer than this is given up.
constexpr int kMaxProbeAttempts = 10;

std::mutex& CacheMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, std::int64_t>& Cache() {
  static std::map<std::string, std::int64_t> cache;
  return cache;
}

void ReportCdn(const ProbeHeaderScan& scan, std::string& probeCdnText) {
  if (scan.cloudflare) {
    CWLOG << " Cdn result: " << scan.cacheStatus << ", " << scan.node;
    EngineEvents::Simple("Download", "3.CDNStatus", scan.node + "/" + scan.cacheStatus);
  } else if (scan.xCache) {
    probeCdnText = scan.xCacheValue;
    CWLOG << " Cdn result: " << scan.xCacheValue;
    EngineEvents::Simple("Download", "3.CDNStatus", scan.xCacheValue);
  }
}

}  // namespace

void CDownloadTaskManager::storeContentLength(const std::string& url, std::int64_t size) {
  if (size == 0 || url.empty()) return;
  std::lock_guard<std::mutex> lock(CacheMutex());
  Cache()[url] = size;
}

std::int64_t CDownloadTaskManager::lookupContentLength(const std::string& url) {
  if (url.empty()) return 0;
  std::lock_guard<std::mutex> lock(CacheMutex());
  const auto it = Cache().find(url);
  return it == Cache().end() ? 0 : it->second;
}

void CDownloadTaskManager::clearContentLengthCacheForTesting() {
  std::lock_guard<std::mutex> lock(CacheMutex());
  Cache().clear();
}

std::int64_t CDownloadTaskManager::getContentLength(CURLcode& code, std::string& probeCdnText, int logging,
                                                    bool useCache) {
  if (useCache) {
    if (const std::int64_t cached = lookupContentLength(m_remoteUrl); cached != 0) {
      probeCdnText.clear();
      return cached;
    }
  }
  code = CURLE_OK;
  std::int64_t size = 0;
  CLibcurlTool http;
  http.init();
  for (int attempt = 1;; ++attempt) {
    char headers[CLibcurlTool::kHeaderBufferSize];
    long status = 0;
    CWLOG << " before getContentLength GetHeader";
    code = http.httpGet(m_remoteUrl, headers, status);
    CWLOG << " after getContentLength GetHeader";
    const ProbeHeaderScan scan = ScanProbeHeaders(headers);
    ReportCdn(scan, probeCdnText);

    if (status != 200) {
      probeCdnText.clear();
      return 0;
    }
    if (!scan.hasLocation) {
      if (!scan.hasSize) return 0;
      size = scan.size;
      if (logging != 0) CWLOG << " Get Contentlength = " << size;
      storeContentLength(m_remoteUrl, size);
      return size;
    }
    const std::string target = ResolveLocation(m_remoteUrl, scan.location);
    if (target.empty()) {
      probeCdnText.clear();
      return 0;
    }
    m_remoteUrl = target;
    if (attempt >= kMaxProbeAttempts) {
      if (logging != 0) CWLOG << " Get Contentlength = " << size << ", error CURLE_TOO_MANY_REDIRECTS";
      probeCdnText.clear();
      return 0;
    }
  }
}
