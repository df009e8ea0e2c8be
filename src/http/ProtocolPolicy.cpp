#include "ProtocolPolicy.h"

CURLcode ApplyProtocolPolicy(CURL* curl) {
  static constexpr const char* kAllowed = "http,https";
  const CURLcode first = curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kAllowed);
  const CURLcode redirects = curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, kAllowed);
  return first != CURLE_OK ? first : redirects;
}
