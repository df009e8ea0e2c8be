// Hard failures of the install flow, reported at once to the exception
// service: one form POST each, answer only logged, never retried.
#pragma once

#include <string>

namespace FuntionImpl {

enum class EnumErrorReport {
  UrlTooManyRedirects,  // a download attempt ended with result 13
  Md5HashCheckFail,     // MD5 wrong and signature check failed
  Md5CheckFail,         // MD5 wrong, signature good
  HashCheckFail,        // MD5 good (or not compared), signature check failed
};

struct ErrorReportValues {
  int pid = 0;           // the downloader id
  int configSource = 0;  // 1 remote XML, 2 embedded file (verification reports)
  std::string queryUrl;  // last query sent to the update service
  std::string downloadUrl;
};

// The form body, values inserted unescaped as the service expects them.
std::string BuildErrorReportBody(EnumErrorReport kind, const ErrorReportValues& values);
// "/api/exception/send" over HTTPS on the update service's host when the
// TestEnv setting is on, else on the product-alert service's host.
std::string ErrorReportUrl();
// The FlowError code of the user event sent before the report ("DL022", ...).
const char* ErrorReportEventCode(EnumErrorReport kind);

// Sends the user event, then the report; returns the HTTP client's result.
int SendErrorReport(EnumErrorReport kind, const ErrorReportValues& values);

}  // namespace FuntionImpl
