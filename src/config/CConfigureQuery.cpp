// The download-info query to the update service.
#include "CConfigure.h"

#include "CLibcurlTool.h"
#include "Deployment.h"
#include "LocalSettings.h"
#include "SingleUserLog.h"
#include "SystemInfo.h"
#include "platform/log.h"
#include "platform/tick.h"

#include <cstdio>
#include <map>

namespace {

CConfigure::OsVersion SystemOsVersion() {
  CConfigure::OsVersion os;
  os.name = FuntionImpl::GetOSName(os.version);
  return os;
}

int FetchWithCurl(const std::string& url, std::string& body) {
  CLibcurlTool tool;
  tool.init();
  return tool.httpGet(url, body);
}

}  // namespace

std::string CConfigure::cutDownloaderBlock(const std::string& body) {
  static const std::string kStart = "<Downloader>";
  static const std::string kEnd = "</Downloader>";
  const size_t start = body.find(kStart);
  if (start == std::string::npos) return {};
  const size_t end = body.find(kEnd, start + kStart.size());
  if (end == std::string::npos) return {};
  return body.substr(start, end + kEnd.size() - start);
}

int CConfigure::getDownloadInfoXml(bool sync, bool regional) {
  OsVersionProvider osVersion;
  Fetcher fetcher;
  int languageId, downloaderId, siteId;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_downloadInfo.empty()) return 0;
    osVersion = m_osVersion ? m_osVersion : SystemOsVersion;
    fetcher = m_fetcher ? m_fetcher : FetchWithCurl;
    languageId = m_languageId;
    downloaderId = m_downloaderId;
    siteId = m_siteId;
  }

  const std::uint64_t started = cwplat::GetTickCount64();
  const OsVersion os = osVersion();
  const char* suffix = os.version < 10.0f ? "&package_type=5" : "";

  CDeployment& deployment = CDeployment::Instance();
  std::string base, label, serviceHost;
  if (FuntionImpl::IsTestEnv()) {
    base = deployment.BaseUrl("UpdateService", false);
    serviceHost = deployment.Host("UpdateService");
    label = "test";
  } else if (regional) {
    base = deployment.BaseUrl("UpdateServiceRegional", true);
    serviceHost = deployment.Host("UpdateServiceRegional");
    label = "cn";
  } else {
    base = deployment.BaseUrl("UpdateService", true);
    serviceHost = deployment.Host("UpdateService");
    label = "com";
  }
  char path[160];
  std::snprintf(path, sizeof path, "/queryDownloaderV2?LanguageId=%d&SoftWareID=%d&SiteID=%d%s", languageId,
                downloaderId, siteId, suffix);
  const std::string url = base + path;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queryUrl = url;
  }

  std::string body;
  const int result = fetcher(url, body);
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  if (result == 6) userLog.AddUserLog_simple("Other", "FlowError", "DL003", false);
  if (result == 28) userLog.AddUserLog_simple("Other", "FlowError", "DL002", false);
  CWLOG << " GetCbsInfo New interface V2(" << (sync ? "Sync " : "Async ") << label << "): " << result << ", "
        << body.size() << ", " << os.name << ", " << os.version;

  const std::uint64_t seconds = (cwplat::GetTickCount64() - started) / 1000;
  userLog.AddUserLog_simple("Other", sync ? "SyncGetCbsTime" : "AsyncGetCbsTime", std::to_string(seconds), false);

  const std::string block = cutDownloaderBlock(body);
  if (block.empty()) return 0;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_downloadInfo.empty()) m_downloadInfo = block;  // a concurrent fetch that finished first wins
  }
  userLog.AddUserLog_funnelEx("Download", "Get download configuration",
                              {{"Download configurationType", "Success"}, {"Configuration URL", serviceHost}}, false,
                              false);
  return 1;
}
