#include "ProbeHeaders.h"

#include "DecimalText.h"

#include <curl/curl.h>

#include <cstdint>

namespace {

constexpr std::string_view kCacheStatus = "CF-Cache-Status:";
constexpr std::string_view kRay = "CF-RAY:";
constexpr std::string_view kXCache = "X-Cache: ";
constexpr std::string_view kLocation = "Location:";
constexpr std::string_view kContentRange = "Content-Range:";
constexpr std::string_view kContentLength = "Content-Length:";

std::string UpToLineEnd(std::string_view text, std::size_t from) {
  if (from >= text.size()) return {};
  const std::size_t end = text.find("\r\n", from);
  return std::string(text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from));
}

// The decimal number at `from` (blanks before it allowed); 0 when there is
// none, it is negative, or it does not fit.
std::int64_t NumberAt(std::string_view text, std::size_t from) {
  std::size_t i = from;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return FuntionImpl::ParseDigitsAt(text, i).value_or(0);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Header names are case-insensitive (HTTP/2 delivers them in lower case).
std::size_t FindNoCase(std::string_view text, std::string_view name, std::size_t from = 0) {
  if (name.empty() || text.size() < name.size()) return std::string_view::npos;
  for (std::size_t at = from; at + name.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < name.size() && Lower(text[at + i]) == Lower(name[i])) ++i;
    if (i == name.size()) return at;
  }
  return std::string_view::npos;
}

std::size_t FindAtLineStart(std::string_view text, std::string_view name) {
  for (std::size_t at = FindNoCase(text, name); at != std::string_view::npos; at = FindNoCase(text, name, at + 1)) {
    if (at == 0 || text[at - 1] == '\n') return at;
  }
  return std::string_view::npos;
}

bool HasScheme(const std::string& url) {
  const std::size_t colon = url.find("://");
  if (colon == std::string::npos || colon == 0) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = url[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  return true;
}

}  // namespace

ProbeHeaderScan ScanProbeHeaders(std::string_view headers) {
  ProbeHeaderScan scan;
  const std::size_t cache = headers.find(kCacheStatus);
  const std::size_t ray = headers.find(kRay);
  // The node is the part after the ray's '-', on the ray's own line.
  std::size_t dash = std::string_view::npos;
  if (ray != std::string_view::npos) {
    const std::size_t lineEnd = headers.find("\r\n", ray);
    dash = headers.find('-', ray + kRay.size());
    if (dash > lineEnd) dash = std::string_view::npos;
  }
  if (cache != std::string_view::npos && dash != std::string_view::npos) {
    scan.cloudflare = true;
    scan.cacheStatus = UpToLineEnd(headers, cache + kCacheStatus.size());
    scan.node = UpToLineEnd(headers, dash + 1);
  } else if (const std::size_t x = headers.find(kXCache); x != std::string_view::npos) {
    scan.xCache = true;
    scan.xCacheValue = UpToLineEnd(headers, x + kXCache.size());
  }

  if (const std::size_t at = FindAtLineStart(headers, kLocation); at != std::string_view::npos) {
    scan.hasLocation = true;
    scan.location = UpToLineEnd(headers, at + kLocation.size() + 1);
  }

  if (const std::size_t range = FindNoCase(headers, kContentRange); range != std::string_view::npos) {
    const std::size_t slash = headers.find('/', range);
    scan.hasSize = true;
    scan.size = slash == std::string_view::npos ? 0 : NumberAt(headers, slash + 1);
  } else if (const std::size_t length = FindNoCase(headers, kContentLength); length != std::string_view::npos) {
    scan.hasSize = true;
    scan.size = NumberAt(headers, length + kContentLength.size());
  }
  return scan;
}

std::string ResolveLocation(const std::string& base, const std::string& location) {
  if (location.empty()) return {};
  if (HasScheme(location)) return location;  // absolute targets are taken as sent
  CURLU* url = curl_url();
  if (url == nullptr) return {};
  std::string resolved;
  char* text = nullptr;
  if (curl_url_set(url, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
      curl_url_set(url, CURLUPART_URL, location.c_str(), 0) == CURLUE_OK &&
      curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK && text != nullptr) {
    resolved = text;
  }
  curl_free(text);
  curl_url_cleanup(url);
  return resolved;
}
