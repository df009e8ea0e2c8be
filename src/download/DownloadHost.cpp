#include "DownloadHost.h"

#include "Deployment.h"

#include <algorithm>
#include <cctype>

namespace {

// The text between the last '/' before the first '.' and the first '/' after
// that '.', lower-cased; "" when there is no '.' or no '/' after it.
std::string HostOf(const std::string& url) {
  const std::size_t dot = url.find('.');
  if (dot == std::string::npos) return {};
  const std::size_t end = url.find('/', dot);
  if (end == std::string::npos) return {};
  const std::size_t slash = url.rfind('/', dot);
  const std::size_t begin = slash == std::string::npos ? 0 : slash + 1;
  std::string host = url.substr(begin, end - begin);
  std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
  return host;
}

bool InList(const std::string& host, const std::vector<std::string>& list) {
  return std::any_of(list.begin(), list.end(), [&](std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name == host;
  });
}

}  // namespace

int classifyDownloadHost(const std::string& url) {
  const std::string host = HostOf(url);
  if (host.size() < 2 || host.rfind("dl.", 0) == 0 || host.rfind("cdn.", 0) == 0) return 10;
  if (InList(host, CDeployment::Instance().HostList("AlibabaCdnHosts")) || host.find("ali") != std::string::npos) {
    return 12;
  }
  if (InList(host, CDeployment::Instance().HostList("AwsCdnHosts"))) return 13;
  return 11;
}
