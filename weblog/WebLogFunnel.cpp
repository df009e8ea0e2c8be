// Slot 11: one funnel event to the collection service.
#include "FunnelReport.h"
#include "Guid.h"
#include "JsonText.h"
#include "WebLog.h"

namespace {
constexpr const char* kOperation = "WebLog::SoftDataReport";
}

int WebLog::SoftDataReport(const std::string& jsonStr) {
  try {
    m_log.Write(kOperation, "SoftDataReport begin");
    m_log.Write(kOperation, "Arg jsonStr:" + jsonStr);
    const Json::Value input = ParseFunnelInput(jsonStr);
    const std::string sessionId = ProcessSessionId();

    const bool test = TestSwitchOn();
    const std::string url = test ? m_config.collectTestBase + "/collector" : m_config.collectBase + "/collect";
    m_log.Write(kOperation, "url:" + url);

    const MachineFacts facts = Facts();
    const std::int64_t timestamp = UnixTimeMillis();
    m_log.Write(kOperation, "mac address:" + facts.mac);
    m_log.Write(kOperation, "uid:" + facts.uid);
    m_log.Write(kOperation, "timestamp:" + std::to_string(timestamp));
    m_log.Write(kOperation, "os version:" + facts.os + ", " + facts.osVersion);

    const std::string body = CompactJson(BuildFunnelReport(input, facts, sessionId, timestamp));
    m_log.Write(kOperation, "post data:" + body);
    m_log.Write(kOperation, "post header:Content-Type:application/json; charset=utf-8");
    const PostResult result = Post(kOperation, url, body);
    m_log.Write(kOperation, "post result:" + std::to_string(result.code));
    int ret = static_cast<int>(result.code);
    if (result.code == CURLE_OK) {
      m_log.Write(kOperation, "response code:" + std::to_string(result.status));
      m_log.Write(kOperation, "response content:" + result.response);
      ret = static_cast<int>(result.status) - 200;
    }
    m_log.Write(kOperation, "SoftDataReport end");
    return ret;
  } catch (const std::exception& e) {
    m_log.Write(kOperation, std::string("SoftDataReport failed: ") + e.what());
    return -1;
  }
}
