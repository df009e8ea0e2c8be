#include "ui/BannerRequest.h"

#include "Deployment.h"
#include "DownLoadImpl.h"
#include "LocalSettings.h"
#include "SystemInfo.h"
#include "platform/log.h"

#include <chrono>
#include <cmath>

namespace FuntionImpl {

std::string BannerQuery(const std::string& languageCode, int parentPid, std::int64_t timestamp) {
  return "lang_code=" + languageCode + "&parent_pid=" + std::to_string(parentPid) +
         "&timestamp=" + std::to_string(timestamp) + "&type=1";
}

std::string BannerPicUrlAt(int parentPid, EnumLanguage language, std::int64_t timestamp) {
  const std::string query = BannerQuery(GetLanguageCode(language), parentPid, timestamp);
  const std::string verify = CDownLoadImpl::TextMd5(query + kBannerSalt);
  const char* service = IsTestEnv() ? "BannerServiceTest" : "BannerService";
  CWLOG << " BAN: " << query << "&verify=" << verify;
  return CDeployment::Instance().BaseUrl(service, true) + "/api/v1/banners?" + query + "&verify=" + verify;
}

std::string GetBannerPicUrl(int parentPid, EnumLanguage language) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return BannerPicUrlAt(parentPid, language, std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

std::string IntervalText(double seconds) {
  // Whole seconds, bounded so the bucket arithmetic cannot overflow.
  const long long whole = seconds > 0 ? static_cast<long long>(std::fmin(seconds, 1e12)) : 0;
  const long long low = whole / 3 * 3;
  return "[" + std::to_string(low) + "~" + std::to_string(low + 3) + "]s";
}

}  // namespace FuntionImpl
