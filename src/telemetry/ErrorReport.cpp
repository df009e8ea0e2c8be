#include "ErrorReport.h"

#include "CLibcurlTool.h"
#include "Deployment.h"
#include "LocalSettings.h"
#include "SingleUserLog.h"
#include "platform/log.h"

namespace FuntionImpl {
namespace {

const char* ExceptionCode(EnumErrorReport kind) {
  switch (kind) {
    case EnumErrorReport::UrlTooManyRedirects:
      return "Url_Too_Many_Redirects";
    case EnumErrorReport::Md5HashCheckFail:
      return "MD5_Hash_Check_Fail_Cfg";
    case EnumErrorReport::Md5CheckFail:
      return "MD5_Check_Fail_Cfg";
    case EnumErrorReport::HashCheckFail:
      break;
  }
  return "Hash_Check_Fail_Cfg";
}

}  // namespace

const char* ErrorReportEventCode(EnumErrorReport kind) {
  switch (kind) {
    case EnumErrorReport::UrlTooManyRedirects:
      return "DL022";
    case EnumErrorReport::Md5HashCheckFail:
      return "DL015";
    case EnumErrorReport::Md5CheckFail:
      return "DL013";
    case EnumErrorReport::HashCheckFail:
      break;
  }
  return "DL014";
}

std::string BuildErrorReportBody(EnumErrorReport kind, const ErrorReportValues& values) {
  std::string body = "pid=" + std::to_string(values.pid) + "&type=2&exception_code=" + ExceptionCode(kind);
  // The verification codes carry where the configuration came from.
  if (kind != EnumErrorReport::UrlTooManyRedirects) body += std::to_string(values.configSource);
  body += "&other=" + values.queryUrl + "," + values.downloadUrl;
  return body;
}

std::string ErrorReportUrl() {
  const char* service = IsTestEnv() ? "UpdateService" : "ProductAlertService";
  return CDeployment::Instance().BaseUrl(service, true) + "/api/exception/send";
}

int SendErrorReport(EnumErrorReport kind, const ErrorReportValues& values) {
  CSingleUserLog::GetInstance().AddUserLog_simple("Other", "FlowError", ErrorReportEventCode(kind), false);
  std::string response;
  const CURLcode result = CLibcurlTool::HttpPost(ErrorReportUrl(), BuildErrorReportBody(kind, values), response);
  const char* which = kind == EnumErrorReport::UrlTooManyRedirects ? "1" : "2";
  CWLOG << " Send error report" << which << ", response is " << response << ", return " << static_cast<int>(result);
  return static_cast<int>(result);
}

}  // namespace FuntionImpl
