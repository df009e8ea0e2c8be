#include "SingleUserLog.h"

#include "platform/drives.h"
#include "platform/log.h"
#include "platform/paths.h"

#include <cstdio>

namespace {

std::string RunTimeStamp() {
  const cwplat::LocalTime t = cwplat::GetLocalTime();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4d%.2d%.2d%.2d%.2d%.2d%.3d", t.year, t.month, t.day, t.hour, t.minute,
                t.second, t.millisecond);
  return buf;
}

void EnsureFolder(const std::string& folder, const char* what) {
  if (!cwplat::CreateDirectories(folder)) CWLOG << " Cannot create the " << what << " folder " << folder;
}

}  // namespace

CSingleUserLog& CSingleUserLog::GetInstance() {
  static CSingleUserLog instance;
  return instance;
}

void CSingleUserLog::InitLogPaths(const std::string& runName) {
  const std::string stamp = RunTimeStamp();
  const std::string logFolder = cwplat::GetAppDataFolder() + "/CWDownloader/logs/" + runName;
  EnsureFolder(logFolder, "log");
  std::string driveRoot = cwplat::RoomiestFixedDriveRoot();
  if (driveRoot.empty()) driveRoot = cwplat::GetCacheFolder();
  const std::string downloadFolder = driveRoot + "/CWDownloader/" + runName;
  EnsureFolder(downloadFolder, "download");

  std::lock_guard<std::mutex> lock(m_mutex);
  m_timeStamp = stamp;
  m_logFolder = logFolder;
  m_logFilePath = logFolder + "/" + runName + "_" + stamp + ".log";
  m_downloadFolder = downloadFolder;
}

void CSingleUserLog::InitUserInfo(int siteId, const std::string& /*softwareVersion*/, const std::string& productName,
                                  const std::string& downloadAddress, bool kit, int pid) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_siteId = siteId;
  m_productName = productName;
  m_downloadAddress = downloadAddress;
  m_kit = kit;
  m_pid = pid;
}

int CSingleUserLog::AddUserLog_simple(const std::string& category, const std::string& action,
                                      const std::string& label, bool bWait) {
  CWLOG << " User event " << category << " / " << action << " / " << label << (bWait ? " (wait)" : "");
  return 0;
}

int CSingleUserLog::AddUserLog_funnelEx(const std::string& category, const std::string& action,
                                        const std::map<std::string, std::string>& extra, bool bWait, bool kit) {
  std::string members;
  for (const auto& [k, v] : extra) members += " " + k + "=" + v;
  CWLOG << " Funnel event " << category << " / " << action << members << (bWait ? " (wait)" : "")
        << (kit ? " (kit)" : "");
  return 0;
}

int CSingleUserLog::AddUserLog_funnelPair(const std::string& category, const std::string& action,
                                          const std::string& key, const std::string& value, bool bWait, bool kit) {
  return AddUserLog_funnelEx(category, action, {{key, value}}, bWait, kit);
}

bool CSingleUserLog::WaitThreadForExit() { return true; }

std::string CSingleUserLog::GetLogFolder() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_logFolder;
}
std::string CSingleUserLog::GetLogFilePath() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_logFilePath;
}
std::string CSingleUserLog::GetDownloadFolder() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_downloadFolder;
}
std::string CSingleUserLog::GetTimeStamp() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_timeStamp;
}
int CSingleUserLog::GetDownloaderConfig() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_downloaderConfig;
}
void CSingleUserLog::SetDownloaderConfig(int value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_downloaderConfig = value;
}
int CSingleUserLog::GetSiteId() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_siteId;
}
int CSingleUserLog::GetPid() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_pid;
}
bool CSingleUserLog::IsKit() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_kit;
}
std::string CSingleUserLog::GetProductName() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_productName;
}
std::string CSingleUserLog::GetDownloadAddress() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_downloadAddress;
}
