// Reading the header text of a size probe (the headers of every reply of a
// redirect chain, in arrival order): the CDN marks, the redirect target and the
// size. The CDN marks are matched case-sensitively, as the CDNs spell them;
// the size and redirect headers in any case, since HTTP/2 delivers every name
// in lower case and a probe that missed them would fail every download.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct ProbeHeaderScan {
  // Cloudflare: "CF-Cache-Status:" and "CF-RAY:" with a '-' on the ray's line.
  bool cloudflare = false;
  std::string cacheStatus;  // text after "CF-Cache-Status:", its leading blank kept
  std::string node;         // text after the ray's '-'
  // Otherwise a "X-Cache: " value.
  bool xCache = false;
  std::string xCacheValue;
  // A "Location:" header line (at the start of a line, so "Content-Location:"
  // does not count) and its value.
  bool hasLocation = false;
  std::string location;
  // Size from "Content-Range:" (after its '/') or "Content-Length:"; 0 when
  // neither is present (hasSize false) or the text is not a number.
  bool hasSize = false;
  std::int64_t size = 0;
};

ProbeHeaderScan ScanProbeHeaders(std::string_view headers);

// A redirect target made absolute against the URL that answered with it;
// "" when it cannot be resolved.
std::string ResolveLocation(const std::string& base, const std::string& location);
