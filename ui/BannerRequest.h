// The banner service's signed list request, and the time buckets its funnel
// events carry.
#pragma once

#include "EnumLanguage.h"

#include <cstdint>
#include <string>

namespace FuntionImpl {

// The service's shared salt: appended to the signed text, never sent.
inline constexpr const char* kBannerSalt = "Xv29pLmQe7RtcB4k";

// "lang_code=<code>&parent_pid=<pid>&timestamp=<t>&type=1": the query the
// list request carries, and (with the salt) the text its verify signs.
std::string BannerQuery(const std::string& languageCode, int parentPid, std::int64_t timestamp);

// The list URL at a given time: the banner service's host (the test host
// when the TestEnv setting is on) + "/api/v1/banners?" + the query +
// "&verify=" + MD5 of query and salt in lower-case hex. Logs " BAN: ...".
std::string BannerPicUrlAt(int parentPid, EnumLanguage language, std::int64_t timestamp);
// The same now.
std::string GetBannerPicUrl(int parentPid, EnumLanguage language);

// "[0~3]s" for 0 to 2.x seconds, "[3~6]s" for 3 to 5.x, and so on; a
// negative time counts as 0.
std::string IntervalText(double seconds);

}  // namespace FuntionImpl
