// The analytics transport: identity, funnel reports and GA4 hits.
//
// Calls may overlap (the user event log's sender thread and callers that send
// synchronously): each call builds its request in local state, the identity is
// guarded by its own lock, and a call that finds the shared HTTP client busy
// uses a client of its own instead of sharing a libcurl handle between threads.
#pragma once

#include "CurlHttpClient.h"
#include "DiagnosticLog.h"
#include "IWebLog.h"
#include "MachineFacts.h"
#include "WebLogConfig.h"

#include <cstdint>
#include <mutex>
#include <string>

class WebLog final : public IWebLog {
 public:
  explicit WebLog(WebLogConfig config);
  ~WebLog() = default;
  WebLog(const WebLog&) = delete;
  WebLog& operator=(const WebLog&) = delete;

  int QueryUserInfo(std::string& userGuid, std::string& userRecord) override;
  int SoftDataReport(const std::string& jsonStr) override;
  int GA4DataReport(const std::string& queryTail) override;

  const std::string& workingFolder() const { return m_workingFolder; }
  const std::string& logFilePath() const { return m_log.path(); }

 private:
  struct PostResult {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string response;
  };

  // The identity fetch: GET with the fixed browser headers. 0 with the body
  // of a 2xx answer, -1 otherwise.
  int FetchText(const std::string& url, std::string& body);
  // A new identity: GUID, machine facts, record "1001", stored in the registry.
  int CreateIdentity();
  // POST through the shared client (or an own one when it is busy), with the
  // proxy of "proxy.txt".
  PostResult Post(const char* operation, const std::string& url, const std::string& body);
  std::string ReadProxy(const char* operation) const;
  bool TestSwitchOn() const;
  MachineFacts Facts() const;

  const WebLogConfig m_config;
  const std::uint64_t m_startTick;
  const std::string m_workingFolder;
  CDiagnosticLog m_log;

  std::mutex m_identityMutex;
  bool m_identityKnown = false;
  std::string m_userCheckBase;
  std::string m_userGuid;
  std::string m_userRecord;

  std::mutex m_clientMutex;
  CurlHttpClient m_client;
};
