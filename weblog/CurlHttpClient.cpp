#include "CurlHttpClient.h"

namespace {

std::size_t Append(char* data, std::size_t size, std::size_t nmemb, void* userdata) {
  auto* target = static_cast<std::string*>(userdata);
  const std::size_t bytes = size * nmemb;
  if (target->size() + bytes > CurlHttpClient::kMaxResponseBytes) return 0;
  target->append(data, bytes);
  return nmemb;
}

}  // namespace

CurlHttpClient::CurlHttpClient(TlsPolicy tls) : m_curl(curl_easy_init()), m_tls(std::move(tls)) {}

CurlHttpClient::~CurlHttpClient() {
  if (m_curl != nullptr) curl_easy_cleanup(m_curl);
}

void CurlHttpClient::SetTimeouts(long connectSeconds, long totalSeconds) {
  m_connectSeconds = connectSeconds;
  m_totalSeconds = totalSeconds;
}

CURLcode CurlHttpClient::Get(const std::string& url, const std::vector<std::string>& headers,
                             const std::string& acceptEncoding) {
  if (m_curl == nullptr) return CURLE_FAILED_INIT;
  curl_easy_reset(m_curl);
  curl_easy_setopt(m_curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, 5L);
  if (!acceptEncoding.empty()) curl_easy_setopt(m_curl, CURLOPT_ACCEPT_ENCODING, acceptEncoding.c_str());
  if (!m_proxy.empty()) curl_easy_setopt(m_curl, CURLOPT_PROXY, m_proxy.c_str());
  return Perform(url, headers);
}

CURLcode CurlHttpClient::Post(const std::string& url, const std::string& body, const std::vector<std::string>& headers) {
  if (m_curl == nullptr) return CURLE_FAILED_INIT;
  curl_easy_reset(m_curl);
  curl_easy_setopt(m_curl, CURLOPT_POST, 1L);
  curl_easy_setopt(m_curl, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(m_curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  // An empty text switches libcurl's proxy off, environment included.
  curl_easy_setopt(m_curl, CURLOPT_PROXY, m_proxy.c_str());
  return Perform(url, headers);
}

CURLcode CurlHttpClient::Perform(const std::string& url, const std::vector<std::string>& headers) {
  m_status = 0;
  m_response.clear();
  curl_slist* list = nullptr;
  for (const std::string& h : headers) {
    curl_slist* next = curl_slist_append(list, h.c_str());
    if (next == nullptr) {
      curl_slist_free_all(list);
      return CURLE_OUT_OF_MEMORY;
    }
    list = next;
  }
  curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, list);
  curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &Append);
  curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &m_response);
  curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, m_connectSeconds);
  curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, m_totalSeconds);
  // http and https only, redirects included, like every handle of the
  // program. The HTTP layer's helper (ApplyProtocolPolicy) sits above this
  // library, which links only platform/, so the setting is repeated here.
  curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(m_curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  CURLcode result = m_tls ? m_tls(m_curl) : CURLE_OK;
  if (result == CURLE_OK) result = curl_easy_perform(m_curl);
  curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &m_status);
  // The list dies here; the handle must not keep pointing at it.
  curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(m_curl, CURLOPT_POSTFIELDS, nullptr);
  curl_slist_free_all(list);
  return result;
}
