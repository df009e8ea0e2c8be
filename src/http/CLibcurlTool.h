// The one HTTP client of the program, over libcurl's easy interface: the
// ranged segment request, the header probe, small document GETs and the form
// POST. Results are libcurl's codes, unchanged; nothing here retries.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <string>

class CSegmentSink;

class CLibcurlTool {
 public:
  // The probe's header buffer: the caller's 2000 bytes, kept a terminated string.
  static constexpr std::size_t kHeaderBufferSize = 2000;
  // Bodies we keep in memory are small documents; anything larger is refused
  // instead of growing without bound.
  static constexpr std::size_t kMaxDocumentBytes = 16 * 1024 * 1024;

  CLibcurlTool() = default;
  ~CLibcurlTool();
  CLibcurlTool(const CLibcurlTool&) = delete;
  CLibcurlTool& operator=(const CLibcurlTool&) = delete;

  // Creates the easy handle; false when libcurl cannot. Every operation on an
  // object without a handle returns CURLE_FAILED_INIT.
  bool init();
  bool hasHandle() const { return m_curl != nullptr; }

  // GET of [first, last] into the sink's writer, with the header checks.
  CURLcode httpDownloadContent(const std::string& remoteUrl, std::int64_t first, std::int64_t last,
                               std::int64_t unused, CSegmentSink* thread);
  // Header probe: the headers of every response of the redirect chain, cut to
  // fit `headers` (kHeaderBufferSize bytes, always terminated); the status of
  // the last response, also after a failure.
  CURLcode httpGet(const std::string& url, char* headers, long& status);
  // Document GET: the body (also what arrived before a failure), 5 s limit.
  CURLcode httpGet(const std::string& url, std::string& body);
  // Form POST on its own handle: connect 8 s, total 10 s.
  static CURLcode HttpPost(const std::string& url, const std::string& body, std::string& response);

  // Logs one line for a libcurl result; always 1.
  static int figureError(CURLcode code);
  // The header function of the segment request (see SegmentSink.h).
  static std::size_t HeaderCallback(char* buffer, std::size_t size, std::size_t nitems, void* userdata);

 private:
  // Resets the handle for a new request to `url`; not CURLE_OK when the
  // protocol restriction could not be set (the request must not run).
  CURLcode prepare(const std::string& url);
  // The probe and document forms: a GET that follows up to 5 redirects and
  // hands what arrives (headers only, or the body) to `write`.
  CURLcode fetchText(const std::string& url, bool headersOnly, long timeoutSeconds, curl_write_callback write,
                     void* sink);

  CURL* m_curl = nullptr;
};
