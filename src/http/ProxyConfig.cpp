#include "ProxyConfig.h"

#include "platform/file_io.h"
#include "platform/log.h"

#include <cstdlib>
#include <string>

namespace {

// Lower-case first, as libcurl reads them.
std::string Env(const char* lower, const char* upper) {
  const char* v = std::getenv(lower);
  if ((v == nullptr || *v == '\0') && upper != nullptr) v = std::getenv(upper);
  return v == nullptr ? std::string() : std::string(v);
}

void AddEntry(std::string& list, const char* scheme, const std::string& value) {
  if (value.empty()) return;
  if (!list.empty()) list += ';';
  list += std::string(scheme) + "=" + value;
}

// The current user's proxy settings, read as the system's own call reads
// them: it fails with "file not found" when the user has none at all.
struct UserProxySettings {
  int result = 0;  // 1 when read, 0 when failed
  int lastError = 0;
  std::string autoConfigUrl;
  std::string proxyList;
  std::string bypassList;
};

UserProxySettings ReadUserProxySettings() {
  UserProxySettings settings;
  settings.autoConfigUrl = Env("auto_proxy", nullptr);
  AddEntry(settings.proxyList, "http", Env("http_proxy", nullptr));  // libcurl ignores HTTP_PROXY (CGI safety)
  AddEntry(settings.proxyList, "https", Env("https_proxy", "HTTPS_PROXY"));
  AddEntry(settings.proxyList, "all", Env("all_proxy", "ALL_PROXY"));
  settings.bypassList = Env("no_proxy", "NO_PROXY");
  if (settings.autoConfigUrl.empty() && settings.proxyList.empty() && settings.bypassList.empty()) {
    settings.lastError = cwplat::kErrorFileNotFound;
  } else {
    settings.result = 1;
  }
  return settings;
}

}  // namespace

namespace FuntionImpl {

int GetIEProxyConfig() {
  const UserProxySettings settings = ReadUserProxySettings();
  CWLOG << " Get proxy: " << settings.result << ", " << settings.lastError;
  int result = 0;
  if (!settings.autoConfigUrl.empty()) {
    CWLOG << " Proxy info1: " << settings.autoConfigUrl;
    result = 1;
  }
  if (!settings.proxyList.empty()) {
    CWLOG << " Proxy info2: " << settings.proxyList;
    result = 2;
  }
  if (!settings.bypassList.empty()) {
    CWLOG << " Proxy info3: " << settings.bypassList;
    result = 3;
  }
  return result;
}

}  // namespace FuntionImpl
