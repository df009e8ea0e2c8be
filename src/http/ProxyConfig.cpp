#include "ProxyConfig.h"

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

}  // namespace

namespace FuntionImpl {

int GetIEProxyConfig() {
  CWLOG << " Get proxy: " << 1 << ", " << 0;
  int result = 0;
  const std::string autoConfig = Env("auto_proxy", nullptr);
  if (!autoConfig.empty()) {
    CWLOG << " Proxy info1: " << autoConfig;
    result = 1;
  }
  std::string list;
  AddEntry(list, "http", Env("http_proxy", nullptr));  // libcurl ignores HTTP_PROXY (CGI safety)
  AddEntry(list, "https", Env("https_proxy", "HTTPS_PROXY"));
  AddEntry(list, "all", Env("all_proxy", "ALL_PROXY"));
  if (!list.empty()) {
    CWLOG << " Proxy info2: " << list;
    result = 2;
  }
  const std::string bypass = Env("no_proxy", "NO_PROXY");
  if (!bypass.empty()) {
    CWLOG << " Proxy info3: " << bypass;
    result = 3;
  }
  return result;
}

}  // namespace FuntionImpl
