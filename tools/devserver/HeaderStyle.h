// How responses spell their headers: the CDN marks a client looks for
// (Cloudflare's CF-RAY and CF-Cache-Status, CloudFront's X-Cache) and
// lower-case header names, as an HTTP/2 hop delivers them. Set globally from
// the configuration or /__control, and per request by query parameters
// cdn=<list> and lower=0|1.
#pragma once

#include "UrlQuery.h"

#include <httplib.h>
#include <json/json.h>

#include <mutex>
#include <string>

namespace devserver {

struct HeaderStyle {
  bool lowercase = false;
  std::string cfCacheStatus;  // empty = no Cloudflare headers; else HIT, MISS, ...
  bool cloudfront = false;    // X-Cache: Hit from cloudfront
  std::string cfRay = "8f3a5b7c9d2e4f61-FRA";

  // cdn list: comma-separated "none", "cf-hit", "cf-miss", "cf-<status>", "cloudfront".
  bool SetCdn(const std::string& list, std::string& error);
  std::string CdnText() const;
};

// Replaces any header of that name (in any case) with one spelt as the style says.
void SetHeader(httplib::Response& res, const HeaderStyle& style, const std::string& name, const std::string& value);

// Adds the CDN marks the style asks for.
void AddCdnHeaders(httplib::Response& res, const HeaderStyle& style);

// The global style and its control section "switches".
class HeaderStyleSettings {
 public:
  // {"cdn": "...", "cf_ray": "...", "lowercase_headers": bool}
  bool Configure(const Json::Value& section, std::string& error);  // also the new reset point
  bool Apply(const Json::Value& section, std::string& error);
  void Reset();
  Json::Value State() const;
  HeaderStyle Current() const;
  // The global style with the request's cdn= and lower= parameters applied.
  bool ForRequest(const Query& query, HeaderStyle& style, std::string& error) const;

 private:
  static bool Merge(const Json::Value& section, HeaderStyle& style, std::string& error);

  mutable std::mutex m_mutex;
  HeaderStyle m_base;
  HeaderStyle m_current;
};

}  // namespace devserver
