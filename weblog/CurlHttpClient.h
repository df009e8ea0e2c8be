// The transport's HTTP client: one libcurl easy handle, reused for each
// request, with the answer's status and body kept for the caller. Not for use
// by two threads at once.
#pragma once

#include <curl/curl.h>

#include <functional>
#include <string>
#include <vector>

class CurlHttpClient {
 public:
  using TlsPolicy = std::function<CURLcode(CURL*)>;
  // Answers larger than this are refused (the transfer fails).
  static constexpr std::size_t kMaxResponseBytes = 1024 * 1024;

  explicit CurlHttpClient(TlsPolicy tls = {});
  ~CurlHttpClient();
  CurlHttpClient(const CurlHttpClient&) = delete;
  CurlHttpClient& operator=(const CurlHttpClient&) = delete;

  // Proxy for later requests ("host:port" or a URL); "" connects directly.
  void SetProxy(const std::string& proxy) { m_proxy = proxy; }
  void SetTimeouts(long connectSeconds, long totalSeconds);

  // GET, following redirects. `acceptEncoding` (when not empty) is sent as
  // Accept-Encoding and the answer decoded. Honours the proxy environment
  // variables when no proxy is set.
  CURLcode Get(const std::string& url, const std::vector<std::string>& headers, const std::string& acceptEncoding);
  // POST of `body` with the given header lines; direct unless a proxy is set.
  CURLcode Post(const std::string& url, const std::string& body, const std::vector<std::string>& headers);

  // Of the last request: the HTTP status (0 when none arrived) and the body.
  long GetResponseCode() const { return m_status; }
  const std::string& GetResponseContent() const { return m_response; }

 private:
  CURLcode Perform(const std::string& url, const std::vector<std::string>& headers);

  CURL* m_curl = nullptr;
  TlsPolicy m_tls;
  std::string m_proxy;
  long m_connectSeconds = 8;
  long m_totalSeconds = 10;
  long m_status = 0;
  std::string m_response;
};
