// Slot 1: who this machine's user is, asked once per transport.
#include "Guid.h"
#include "IdentityText.h"
#include "WebLog.h"

#include "platform/machine_id.h"
#include "platform/registry.h"
#include "platform/sysinfo.h"

namespace {

constexpr const char* kIdentityKey = "SOFTWARE\\GuidGuidold";
constexpr const char* kOperation = "WebLog::QueryUserInfo";
constexpr int kAttempts = 3;
constexpr std::size_t kMaxBaseUrl = 2048;
constexpr const char* kNewUserRecord = "1001";

// The headers the maker's download site has always seen from this client.
// Built per call: the sender thread may still run while the process ends, and
// must not touch statics that are destroyed by then.
std::vector<std::string> BrowserHeaders() {
  return {"Accept: */*", "Accept-Language: zh-cn",
          "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)"};
}
constexpr const char* kAcceptEncoding = "gzip, deflate";

}  // namespace

std::optional<std::string> UserCheckBaseFromText(std::string_view text) {
  std::string_view line = text.substr(0, text.find('\n'));
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  // A UTF-8 byte order mark from a text editor is not part of the address.
  if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
  if (line.size() > kMaxBaseUrl) return std::nullopt;
  if (line.substr(0, 7) != "http://" && line.substr(0, 8) != "https://") return std::nullopt;
  for (const char c : line) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) return std::nullopt;
  }
  while (line.size() > 8 && line.back() == '/') line.remove_suffix(1);
  return std::string(line);
}

int WebLog::FetchText(const std::string& url, std::string& body) {
  body.clear();
  CurlHttpClient client(m_config.applyTls);
  client.SetTimeouts(5, 10);
  const CURLcode code = client.Get(url, BrowserHeaders(), kAcceptEncoding);
  const long status = client.GetResponseCode();
  if (code != CURLE_OK || status < 200 || status > 299) {
    m_log.Write(kOperation, "get " + url + " failed: " + std::to_string(code) + ", " + std::to_string(status));
    return -1;
  }
  body = client.GetResponseContent();
  return 0;
}

int WebLog::QueryUserInfo(std::string& userGuid, std::string& userRecord) {
  std::lock_guard<std::mutex> lock(m_identityMutex);
  if (!m_identityKnown) {
    std::string text;
    for (int i = 0; i < kAttempts; ++i) {
      if (FetchText(m_config.downloadSiteBase + "/downloads/service/softwarelog.txt", text) == 0) break;
    }
    if (const auto base = UserCheckBaseFromText(text)) m_userCheckBase = *base;
    m_log.Write(kOperation, "user check base:" + m_userCheckBase);

    std::string stored;
    if (cwplat::RegGetString(cwplat::RegHive::CurrentUser, kIdentityKey, "guid", stored) && IsUserGuidText(stored)) {
      std::string answer;
      for (int i = 0; i < kAttempts && answer.empty(); ++i) {
        if (FetchText(m_userCheckBase + "/QueryUser?guid=" + stored, answer) != 0) answer.clear();
      }
      if (!answer.empty()) {
        m_userGuid = stored;
        m_userRecord = answer;
        m_identityKnown = true;
        m_log.Write(kOperation, "known user:" + stored);
      }
    }
    if (!m_identityKnown && CreateIdentity() != 0) return -1;
  }
  userGuid = m_userGuid;
  userRecord = m_userRecord;
  return 0;
}

int WebLog::CreateIdentity() {
  const std::optional<Guid> guid = NewGuid();
  if (!guid) {
    m_log.Write(kOperation, "no GUID could be created");
    return -1;
  }
  m_userGuid = FormatUserGuid(*guid);
  m_userRecord = kNewUserRecord;
  m_identityKnown = true;
  const std::string computer = cwplat::GetComputerName();
  const std::string facts = computer + ", " + cwplat::GetHostAddress(computer) + (cwplat::Is64BitOS() ? " x64" : " x32");
  m_log.Write(kOperation, "new user:" + m_userGuid + ", " + facts);
  const bool stored =
      cwplat::RegSetString(cwplat::RegHive::CurrentUser, kIdentityKey, "guid", m_userGuid) &&
      cwplat::RegSetString(cwplat::RegHive::CurrentUser, kIdentityKey, "user_id", m_userRecord);
  if (!stored) m_log.Write(kOperation, "the identity could not be stored");
  return 0;
}
