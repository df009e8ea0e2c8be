// Slot 12: one GA4 page-view hit.
#include "Ga4Encoding.h"
#include "WebLog.h"

namespace {
constexpr const char* kOperation = "WebLog::GA4DataReport";
constexpr const char* kTag = "SoftwareGT4 ";
}  // namespace

int WebLog::GA4DataReport(const std::string& queryTail) {
  if (queryTail.empty()) return 254;
  try {
    const MachineFacts facts = Facts();
    const std::string url = m_config.ga4Base + "/g/collect?v=2&cid=" + Ga4ClientId(facts.volumeSerial, facts.mac) +
                            Ga4PercentEncode(queryTail);
    const PostResult result = Post(kOperation, url, std::string());
    if (result.code != CURLE_OK) {
      m_log.Write(kOperation, std::string(kTag) + "POSTURL:" + url +
                                  ". The return value of [client.Post()] is not CURLE_OK(0), but" +
                                  std::to_string(result.code));
      return 253;
    }
    m_log.Write(kOperation, std::string(kTag) + "POSTURL:" + url +
                                ". The return value of[client.Post()] is  CURLE_OK(0). The return value "
                                "of[client.GetResponseCode())] is " +
                                std::to_string(result.status));
    return result.status == 204 ? 0 : -1;
  } catch (const std::exception& e) {
    m_log.Write(kOperation, std::string(kTag) + "failed: " + e.what());
    return 253;
  }
}
