#include "CLibcurlTool.h"

#include "DecimalText.h"
#include "ProtocolPolicy.h"
#include "SegmentSink.h"
#include "TlsPolicy.h"
#include "platform/log.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* kUserAgent =
    "User-Agent:Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/62.0.3202.75 Safari/537.36";

constexpr long kSegmentBufferBytes = 512 * 1024;

// Header text beyond this is never looked at (the caller keeps 1999 bytes).
constexpr std::size_t kMaxHeaderText = 64 * 1024;

struct TextSink {
  std::string text;
  std::size_t limit;
};

// Appends to a bounded in-memory text; past the limit the transfer is aborted.
std::size_t AppendText(char* data, std::size_t size, std::size_t nmemb, void* userdata) {
  auto* sink = static_cast<TextSink*>(userdata);
  const std::size_t bytes = size * nmemb;
  if (sink->text.size() + bytes > sink->limit) return 0;
  sink->text.append(data, bytes);
  return nmemb;
}

// Header text is only kept up to its cap, but the transfer goes on.
std::size_t AppendHeaderText(char* data, std::size_t size, std::size_t nmemb, void* userdata) {
  auto* sink = static_cast<TextSink*>(userdata);
  const std::size_t bytes = size * nmemb;
  const std::size_t room = sink->limit > sink->text.size() ? sink->limit - sink->text.size() : 0;
  sink->text.append(data, std::min(bytes, room));
  return nmemb;
}

std::size_t AppendPostResponse(char* data, std::size_t size, std::size_t nmemb, void* userdata) {
  auto* target = static_cast<std::string*>(userdata);
  if (data == nullptr || target == nullptr) return static_cast<std::size_t>(-1);
  const std::size_t bytes = size * nmemb;
  if (target->size() + bytes > CLibcurlTool::kMaxDocumentBytes) return 0;
  target->append(data, bytes);
  return nmemb;
}

std::size_t SegmentWriter(char* data, std::size_t size, std::size_t nmemb, void* userdata) {
  return static_cast<CSegmentSink*>(userdata)->downloadFunc(data, size, nmemb);
}

// The text of a header line without its line end.
std::string UpToLineEnd(const std::string& line, std::size_t from) {
  if (from >= line.size()) return {};
  const std::size_t end = line.find("\r\n", from);
  return line.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

void MergeCdnText(CSegmentSink* sink, const std::string& value) {
  std::string& cdn = sink->cdnText();
  cdn = cdn.empty() ? value : value + "/" + cdn;
  if (cdn == sink->probeCdnText()) cdn.clear();
}

// Reads the decimal number that starts at `from`; false when there is none
// or it does not fit.
bool ParseDecimal(const std::string& line, std::size_t from, std::int64_t& value) {
  const std::optional<std::int64_t> parsed = FuntionImpl::ParseDigitsAt(line, from);
  value = parsed.value_or(0);
  return parsed.has_value();
}

// True when the line holds `lowerName` at `at`, in any spelling: header names
// are case-insensitive, and HTTP/2 delivers them in lower case.
bool NameAt(const std::string& line, std::size_t at, std::string_view lowerName) {
  if (at > line.size() || line.size() - at < lowerName.size()) return false;
  for (std::size_t i = 0; i < lowerName.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(line[at + i])) != lowerName[i]) return false;
  }
  return true;
}

// Where the line first holds `lowerName`, in any spelling; npos when nowhere.
std::size_t FindName(const std::string& line, std::string_view lowerName) {
  for (std::size_t at = 0; at + lowerName.size() <= line.size(); ++at) {
    if (NameAt(line, at, lowerName)) return at;
  }
  return std::string::npos;
}

// The value of a "Content-Length:" line (any spelling of the name), if it is one.
bool ContentLengthValue(const std::string& line, std::int64_t& length) {
  static constexpr std::string_view kName = "content-length:";
  if (line.size() <= kName.size() || !NameAt(line, 0, kName)) return false;
  const std::size_t value = line.find_first_not_of(" \t", kName.size());
  return value != std::string::npos && ParseDecimal(line, value, length);
}

// The first byte of "Content-Range: bytes <first>-<last>/<total>".
bool RangeFirstByte(const std::string& line, std::size_t nameAt, std::int64_t& first) {
  const std::size_t unit = line.find("bytes", nameAt);
  if (unit == std::string::npos) return false;
  const std::size_t value = line.find_first_not_of(' ', unit + 5);
  return value != std::string::npos && ParseDecimal(line, value, first);
}

}  // namespace

CLibcurlTool::~CLibcurlTool() {
  if (m_curl != nullptr) curl_easy_cleanup(m_curl);
}

bool CLibcurlTool::init() {
  if (m_curl == nullptr) m_curl = curl_easy_init();
  return m_curl != nullptr;
}

CURLcode CLibcurlTool::prepare(const std::string& url) {
  curl_easy_reset(m_curl);
  curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
  return ApplyProtocolPolicy(m_curl);
}

CURLcode CLibcurlTool::httpDownloadContent(const std::string& remoteUrl, std::int64_t first, std::int64_t last,
                                           std::int64_t /*unused*/, CSegmentSink* thread) {
  if (thread != nullptr && thread->taskLogging()) {
    CWLOG << " Request Range: (" << thread->taskId() << ", " << (last - first) << ") " << first << "-" << last;
  }
  if (m_curl == nullptr) {
    CWLOG << " curl easy init fail !!!";
    return CURLE_FAILED_INIT;
  }
  curl_easy_reset(m_curl);
  CURLcode result = ApplyProtocolPolicy(m_curl);
  curl_slist* headers = curl_slist_append(nullptr, kUserAgent);
  const std::string range = std::to_string(first) + "-" + std::to_string(last);
  curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(m_curl, CURLOPT_URL, remoteUrl.c_str());
  curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(m_curl, CURLOPT_RANGE, range.c_str());
  curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &SegmentWriter);
  curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, thread);
  curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, thread);
  curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &CLibcurlTool::HeaderCallback);
  // A proxy's "HTTP/1.1 200 Connection established" is no answer to the range.
  curl_easy_setopt(m_curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (thread != nullptr) {
    const SegmentLimits limits = thread->segmentLimits();
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, limits.totalSeconds(last - first + 1));
  }
  // Larger receive blocks: a quarter of the kernel work per byte of a 4 MiB range.
  curl_easy_setopt(m_curl, CURLOPT_BUFFERSIZE, kSegmentBufferBytes);
  if (result == CURLE_OK) result = ApplyTlsPolicy(m_curl);
  if (result == CURLE_OK) result = thread == nullptr ? CURLE_BAD_FUNCTION_ARGUMENT : curl_easy_perform(m_curl);
  // The list must outlive the transfer; the handle must not keep pointing at it.
  curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(headers);
  if (result != CURLE_OK) figureError(result);
  return result;
}

CURLcode CLibcurlTool::fetchText(const std::string& url, bool headersOnly, long timeoutSeconds,
                                 curl_write_callback write, void* sink) {
  CURLcode result = prepare(url);
  curl_easy_setopt(m_curl, CURLOPT_NOBODY, headersOnly ? 1L : 0L);
  curl_easy_setopt(m_curl, CURLOPT_HEADER, headersOnly ? 1L : 0L);
  curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, timeoutSeconds);
  curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, write);
  curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, sink);
  if (result == CURLE_OK) result = ApplyTlsPolicy(m_curl);
  if (result == CURLE_OK) result = curl_easy_perform(m_curl);
  return result;
}

CURLcode CLibcurlTool::httpGet(const std::string& url, char* headers, long& status) {
  if (headers != nullptr) headers[0] = '\0';
  if (m_curl == nullptr) {
    CWLOG << " curl easy init fail !!!";
    return CURLE_FAILED_INIT;
  }
  TextSink sink{{}, kMaxHeaderText};
  const CURLcode result = fetchText(url, true, 30L, &AppendHeaderText, &sink);
  if (headers != nullptr) {
    const std::size_t n = std::min(sink.text.size(), kHeaderBufferSize - 1);
    std::memcpy(headers, sink.text.data(), n);
    headers[n] = '\0';
  }
  long code = 0;
  curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &code);
  status = code;
  if (result != CURLE_OK) figureError(result);
  return result;
}

CURLcode CLibcurlTool::httpGet(const std::string& url, std::string& body) {
  if (m_curl == nullptr) {
    CWLOG << " curl easy init fail !!!";
    return CURLE_FAILED_INIT;
  }
  TextSink sink{{}, kMaxDocumentBytes};
  const CURLcode result = fetchText(url, false, 5L, &AppendText, &sink);
  body = std::move(sink.text);
  return result;
}

CURLcode CLibcurlTool::HttpPost(const std::string& url, const std::string& body, std::string& response) {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    CWLOG << " curl easy init fail !!!";
    return CURLE_FAILED_INIT;
  }
  CURLcode result = ApplyProtocolPolicy(curl);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, nullptr);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendPostResponse);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  ApplyTlsPolicy(curl);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 8L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
  if (result == CURLE_OK) result = curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  return result;
}

std::size_t CLibcurlTool::HeaderCallback(char* buffer, std::size_t size, std::size_t nitems, void* userdata) {
  auto* sink = static_cast<CSegmentSink*>(userdata);
  const std::size_t bytes = size * nitems;
  if (sink == nullptr) return bytes;
  const std::string line(buffer, bytes);
  // Every answer of the request, redirect hops included, opens with its status line.
  if (line.compare(0, 5, "HTTP/") == 0) return sink->acceptStatusLine(line) ? bytes : 0;
  if (std::int64_t length = 0; ContentLengthValue(line, length) && !sink->acceptContentLength(length)) return 0;
  if (sink->expectedContentLength() == 0) return bytes;

  static const std::string kRay = "CF-RAY:";
  static const std::string kCacheStatus = "CF-Cache-Status:";
  if (const std::size_t at = line.find(kRay); at != std::string::npos) {
    const std::size_t dash = line.find('-', at + kRay.size());
    MergeCdnText(sink, dash == std::string::npos ? std::string() : UpToLineEnd(line, dash + 1));
  } else if (line.find(kCacheStatus) != std::string::npos) {
    MergeCdnText(sink, UpToLineEnd(line, 17));
  } else if (const std::size_t at = FindName(line, "content-range"); at != std::string::npos) {
    const std::size_t slash = line.find('/');
    if (slash == std::string::npos) {
      CWLOG << " HeaderCallback error2: " << line;
      return 0;
    }
    std::int64_t total = 0;
    if (!ParseDecimal(line, slash + 1, total) || total != sink->expectedContentLength()) {
      CWLOG << " HeaderCallback error1: " << sink->expectedContentLength() << " != " << line;
      return 0;
    }
    if (std::int64_t first = 0; RangeFirstByte(line, at, first) && !sink->acceptRangeStart(first)) return 0;
  }
  return bytes;
}
