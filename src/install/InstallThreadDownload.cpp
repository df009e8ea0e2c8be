// The download attempts and their outcome.
#include "CConfigure.h"
#include "ErrorReport.h"
#include "InstallThread.h"
#include "SingleUserLog.h"
#include "platform/log.h"
#include "platform/tick.h"

#include <cstdio>

namespace {

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

EnumErrorCode CInstallThread::downloadAttempts() {
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  EnumErrorCode result = DOWNLOAD_SUCCESS;
  for (int attempt = 1; attempt <= kMaxAttempts && !m_window.cancelled(); ++attempt) {
    char address[256];
    std::snprintf(address, sizeof address, "%s-%d", m_addressLabel.c_str(), attempt);
    userLog.AddUserLog_funnelPair("Download", "Use download address", "Use download address Type", address, false,
                                  false);
    userLog.AddUserLog_funnelPair("Download", "SliceDownloadStart", "", "", false, false);
    CWLOG << " Tasks info, round begin, current = " << attempt << ", total = " << kMaxAttempts;
    std::string cdnReport;
    result = m_services.download(m_url, m_files.installerPath, cdnReport);
    CWLOG << " Tasks info, round end, current = " << attempt << ", total = " << kMaxAttempts
          << ", result = " << static_cast<int>(result);
    if (!cdnReport.empty()) userLog.AddUserLog_simple("Other", "CDNInfor", cdnReport, false);

    if (result == DOWNLOAD_SUCCESS) {
      if (attempt > 1) CWLOG << "Success\xEF\xBC\x8CThe Retry Frequency is: " << attempt - 1;
      break;
    }
    if (result == DOWNLOAD_TOO_MANY_REDIRECTS) {
      // The report records the FlowError event itself, so it is not sent twice.
      FuntionImpl::ErrorReportValues values;
      values.pid = m_window.configure().getDownloaderId();
      values.queryUrl = m_window.configure().getQueryUrl();
      values.downloadUrl = m_url;
      FuntionImpl::SendErrorReport(FuntionImpl::EnumErrorReport::UrlTooManyRedirects, values);
    } else {
      userLog.AddUserLog_simple("Other", "FlowError", FlowErrorCode(result), false);
    }
    if (attempt == kMaxAttempts) {
      CWLOG << " The Retry Frequency is: " << kMaxAttempts - 1;
      break;
    }
    CWLOG << " The Retry Frequency is: " << attempt - 1;
  }
  return result;
}

bool CInstallThread::reportDownloadOutcome(EnumErrorCode result) {
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  userLog.AddUserLog_funnel("CoreFuncEvent", "Downloading", 3, "Download", "DownFinsh", "null", false, false);
  const std::uint64_t elapsedMs = cwplat::GetTickCount64() - m_sourceChosenTick;
  const int seconds = static_cast<int>(elapsedMs / 1000);
  userLog.AddUserLog_simple("Other", "MDownloadTime", std::to_string(seconds), false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Downloading", 0, "Download", "CoreFuncEnd", "null", false, false);

  // Under one second the whole seconds are 0: the exact time gives the speed.
  const double speedSeconds = seconds > 0 ? seconds : static_cast<double>(elapsedMs > 0 ? elapsedMs : 1) / 1000.0;
  const double speed = static_cast<double>(m_window.downloadedBytes()) / speedSeconds / 1024.0 / 1024.0;
  userLog.AddUserLog_simple("Other", "DownloadSpeed", Format("%.2fMB/s", speed), false);
  userLog.AddUserLog_simple("Other", "DownloadTime", std::to_string(seconds), false);
  CWLOG << " DownloadTime total use " << seconds;

  if (result != DOWNLOAD_SUCCESS) {
    char label[32];
    std::snprintf(label, sizeof label, "error_%d", static_cast<int>(result));
    userLog.AddUserLog_simple("Other", "DownErrorCode", label, false);
    m_window.postMessage(WM_DOWNLOADFAIL, static_cast<std::uintptr_t>(result));
    return false;
  }
  userLog.AddUserLog_funnelPair("Download", "DownloadSuccess", "", "", false, false);
  userLog.AddUserLog_funnelEx("Download", "MDownSuccess", {{"Download address", m_addressLabel}, {"AddressType", "NO"}},
                              false, false);
  return true;
}
