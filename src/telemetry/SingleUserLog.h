// The process-wide user event log. Every part of the program records what the
// user and the installer do through it; each record becomes a GA4 page-view
// hit or a funnel event, queued for the sender thread or sent at once (bWait).
// It also keeps the run's paths (log folder, log file, download folder) and the
// user values start-up hands it.
//
// Return codes of the add operations: 0 queued or sent, kSilent when the local
// setting AutoRun is 1 (nothing is recorded and no thread runs), kNoTransport
// for a synchronous send without a transport, else the transport's last result.
#pragma once

#include "UserLogFacts.h"
#include "platform/paths.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class IWebLog;
class CUserLogSender;

// What the main window supplies to funnel events (product_version, tools_lang).
// Asked from whichever thread records an event; must not call back into the log.
class IUserLogWindow {
 public:
  virtual UserLogWindowFacts GetUserLogWindowFacts() const = 0;

 protected:
  ~IUserLogWindow() = default;
};

// What a log is made with; the defaults are the program's own.
struct UserLogOptions {
  std::function<std::shared_ptr<IWebLog>()> createTransport;  // empty: the deployment-configured WebLog
  std::function<cwplat::LocalTime()> clock;                   // empty: the local time (for is_new)
  std::optional<UserLogFacts> facts;                          // empty: read from this process
};

class CSingleUserLog {
 public:
  static constexpr int kSilent = -99;
  static constexpr int kNoTransport = -1;
  // WaitThreadForExit waits this long for queued events to go out.
  static constexpr std::uint64_t kExitWaitMs = 600000;

  static CSingleUserLog& GetInstance();

  // A log of its own (tests); the program uses GetInstance.
  explicit CSingleUserLog(UserLogOptions options);
  ~CSingleUserLog();
  CSingleUserLog(const CSingleUserLog&) = delete;
  CSingleUserLog& operator=(const CSingleUserLog&) = delete;

  // Computes the run's time stamp, log folder (created), log file path and
  // download folder (created, on the roomiest fixed non-USB drive). A folder
  // that cannot be created is logged and left as computed.
  void InitLogPaths(const std::string& runName);

  // Stores the user values (the software version is not kept) and decides
  // is_new from galog.json in the log folder.
  void InitUserInfo(int siteId, const std::string& softwareVersion, const std::string& productName,
                    const std::string& downloadAddress, bool kit, int pid);

  // A page-view event; the two numbers and `unused` are not used. The
  // FlowError and CrashRate/Close funnel hooks run first.
  int AddUserLog(int, const char* action, bool bWait, int, const char* unused, const char* label,
                 const char* category);
  // Records a page-view event (category, action, label); an "Other"/"FlowError"
  // record is also reported as an "ErrorReporting"/"Error" funnel event.
  int AddUserLog_simple(const std::string& category, const std::string& action, const std::string& label,
                        bool bWait);

  // Records a funnel event (event_type, core_func_name, func_step, category, action, label).
  int AddUserLog_funnel(const std::string& eventType, const std::string& coreFuncName, int funcStep,
                        const std::string& category, const std::string& action, const std::string& label,
                        bool bWait, bool kit);
  // Records a funnel event with extra members; the pair form has one member.
  int AddUserLog_funnelEx(const std::string& category, const std::string& action,
                          const std::map<std::string, std::string>& extra, bool bWait, bool kit);
  int AddUserLog_funnelPair(const std::string& category, const std::string& action, const std::string& key,
                            const std::string& value, bool bWait, bool kit);

  // Asks the sender to finish once both queues are drained and waits for it
  // (at most kExitWaitMs). Always true.
  bool WaitThreadForExit();

  // The main window registers itself once it exists and clears it (nullptr)
  // before it goes away.
  void SetMainWnd(IUserLogWindow* wnd);

  std::string GetLogFolder() const;
  std::string GetLogFilePath() const;
  std::string GetDownloadFolder() const;
  std::string GetTimeStamp() const;
  int GetDownloaderConfig() const;
  void SetDownloaderConfig(int value);
  int GetSiteId() const;
  int GetPid() const;
  bool IsKit() const;
  int GetIsNew() const;
  std::string GetProductName() const;
  std::string GetDownloadAddress() const;

 private:
  UserLogUserInfo UserInfo() const;
  UserLogWindowFacts WindowFacts() const;
  void RecordToolsVersionOnce();
  void RunFunnelHooks(const std::string& category, const std::string& action, const std::string& label);
  int Deliver(bool funnel, std::string text, const std::string& category, const std::string& action, bool bWait);

  const UserLogFacts m_facts;
  const std::function<cwplat::LocalTime()> m_clock;

  mutable std::mutex m_mutex;  // the fields up to m_flowErrorStep
  std::string m_logFolder;
  std::string m_logFilePath;
  std::string m_downloadFolder;
  std::string m_timeStamp;
  int m_downloaderConfig = 0;
  UserLogUserInfo m_info;
  bool m_flowErrorStarted = false;
  int m_flowErrorStep = 1;

  std::mutex m_flowMutex;  // keeps one FlowError's funnel events together in the queue
  std::mutex m_galogMutex;
  bool m_versionPending = true;  // guarded by m_galogMutex

  mutable std::mutex m_windowMutex;
  IUserLogWindow* m_mainWnd = nullptr;

  std::unique_ptr<CUserLogSender> m_sender;
};
