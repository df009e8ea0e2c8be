#include "SingleUserLog.h"

#include "LocalSettings.h"
#include "UserLogGaFile.h"
#include "UserLogSender.h"
#include "UserLogTransport.h"
#include "platform/drives.h"
#include "platform/log.h"
#include "weblog/IWebLog.h"

#include <cstdio>

namespace {

std::string RunTimeStamp() {
  const cwplat::LocalTime t = cwplat::GetLocalTime();
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4d%.2d%.2d%.2d%.2d%.2d%.3d", t.year, t.month, t.day, t.hour, t.minute,
                t.second, t.millisecond);
  return buf;
}

void EnsureFolder(const std::string& folder, const char* what) {
  if (!cwplat::CreateDirectories(folder)) CWLOG << " Cannot create the " << what << " folder " << folder;
}

}  // namespace

CSingleUserLog& CSingleUserLog::GetInstance() {
  static CSingleUserLog instance{UserLogOptions{}};
  return instance;
}

CSingleUserLog::CSingleUserLog(UserLogOptions options)
    : m_facts(options.facts ? *options.facts : ReadUserLogFacts()),
      m_clock(options.clock ? options.clock : [] { return cwplat::GetLocalTime(); }) {
  std::shared_ptr<IWebLog> transport =
      options.createTransport ? options.createTransport() : CreateUserLogTransport();
  if (!transport) CWLOG << " No analytics transport: events will not be sent";
  m_sender = std::make_unique<CUserLogSender>(std::move(transport), !FuntionImpl::IsAutoRun());
}

CSingleUserLog::~CSingleUserLog() = default;

void CSingleUserLog::InitLogPaths(const std::string& runName) {
  const std::string stamp = RunTimeStamp();
  const std::string logFolder = cwplat::GetAppDataFolder() + "/CWDownloader/logs/" + runName;
  EnsureFolder(logFolder, "log");
  std::string driveRoot = cwplat::RoomiestFixedDriveRoot();
  if (driveRoot.empty()) driveRoot = cwplat::GetCacheFolder();
  if (!driveRoot.empty() && driveRoot.back() == '/') driveRoot.pop_back();  // a drive rooted at "/"
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
  const std::string folder = GetLogFolder();
  int isNew = 1;
  // Without a log folder there is no record of earlier days: every run is new.
  if (!folder.empty()) {
    std::lock_guard<std::mutex> lock(m_galogMutex);
    isNew = UpdateGaLogDate(folder + "/galog.json", m_clock());
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_info.siteId = siteId;
  m_info.productName = productName;
  m_info.downloadAddress = downloadAddress;
  m_info.kit = kit;
  m_info.pid = pid;
  m_info.isNew = isNew;
}

void CSingleUserLog::SetMainWnd(IUserLogWindow* wnd) {
  std::lock_guard<std::mutex> lock(m_windowMutex);
  m_mainWnd = wnd;
}

UserLogUserInfo CSingleUserLog::UserInfo() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_info;
}

UserLogWindowFacts CSingleUserLog::WindowFacts() const {
  // Held while asking, so a window that unregisters waits for the question.
  std::lock_guard<std::mutex> lock(m_windowMutex);
  return m_mainWnd != nullptr ? m_mainWnd->GetUserLogWindowFacts() : UserLogWindowFacts{};
}

void CSingleUserLog::RecordToolsVersionOnce() {
  std::lock_guard<std::mutex> lock(m_galogMutex);
  if (!m_versionPending) return;
  const std::string folder = GetLogFolder();
  if (folder.empty()) return;  // recorded with the first event after InitLogPaths
  RecordGaLogVersion(folder + "/galog.json", m_facts.toolsVersion);
  m_versionPending = false;
}

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
int CSingleUserLog::GetSiteId() const { return UserInfo().siteId; }
int CSingleUserLog::GetPid() const { return UserInfo().pid; }
bool CSingleUserLog::IsKit() const { return UserInfo().kit; }
int CSingleUserLog::GetIsNew() const { return UserInfo().isNew; }
std::string CSingleUserLog::GetProductName() const { return UserInfo().productName; }
std::string CSingleUserLog::GetDownloadAddress() const { return UserInfo().downloadAddress; }
