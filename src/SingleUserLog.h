// The process-wide user event log. This unit holds the run's paths (log folder,
// log file, download folder) and the user's identity values; the event
// encodings and the sender come with the telemetry work and plug in here.
#pragma once

#include <map>
#include <mutex>
#include <string>

class CSingleUserLog {
 public:
  static CSingleUserLog& GetInstance();

  // Computes the run's time stamp, log folder (created), log file path and
  // download folder (created, on the roomiest fixed non-USB drive). A folder
  // that cannot be created is logged and left as computed.
  void InitLogPaths(const std::string& runName);

  void InitUserInfo(int siteId, const std::string& softwareVersion, const std::string& productName,
                    const std::string& downloadAddress, bool kit, int pid);

  // Records a page-view event (category, action, label). 0 = queued or sent.
  int AddUserLog_simple(const std::string& category, const std::string& action, const std::string& label,
                        bool bWait);

  // Records a funnel event with extra members; the pair form has one member.
  int AddUserLog_funnelEx(const std::string& category, const std::string& action,
                          const std::map<std::string, std::string>& extra, bool bWait, bool kit);
  int AddUserLog_funnelPair(const std::string& category, const std::string& action, const std::string& key,
                            const std::string& value, bool bWait, bool kit);

  // Asks the sender to finish and waits for it.
  bool WaitThreadForExit();

  std::string GetLogFolder() const;
  std::string GetLogFilePath() const;
  std::string GetDownloadFolder() const;
  std::string GetTimeStamp() const;
  int GetDownloaderConfig() const;
  void SetDownloaderConfig(int value);
  int GetSiteId() const;
  int GetPid() const;
  bool IsKit() const;
  std::string GetProductName() const;
  std::string GetDownloadAddress() const;

 private:
  CSingleUserLog() = default;

  mutable std::mutex m_mutex;
  std::string m_logFolder;
  std::string m_logFilePath;
  std::string m_downloadFolder;
  std::string m_timeStamp;
  int m_downloaderConfig = 0;
  int m_siteId = 0;
  int m_pid = 0;
  bool m_kit = false;
  std::string m_productName;
  std::string m_downloadAddress;
};
