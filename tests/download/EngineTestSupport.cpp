#include "EngineTestSupport.h"

#include "CDownloadTaskManager.h"
#include "Deployment.h"
#include "EngineEvents.h"
#include "SingleUserLog.h"
#include "platform/paths.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace enginetest {
namespace {

// libcurl is set up once per process, as the program does at start-up; every
// test starts with an empty size cache.
class EngineEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { curl_global_init(CURL_GLOBAL_ALL); }
  void TearDown() override {
    CSingleUserLog::GetInstance().WaitThreadForExit();
    curl_global_cleanup();
  }
};
[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

class CacheReset : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { CDownloadTaskManager::clearContentLengthCacheForTesting(); }
};
[[maybe_unused]] const bool g_cacheReset = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new CacheReset);
  return true;
}();

}  // namespace

std::string TestBytes(std::size_t size, std::uint32_t seed) {
  std::string data(size, '\0');
  std::uint64_t state = 0x9E3779B97F4A7C15ull ^ seed;
  for (std::size_t i = 0; i < size; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    data[i] = static_cast<char>(state >> 24);
  }
  return data;
}

std::string Md5Hex(const std::string& data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(data.data(), data.size(), digest, &size, EVP_md5(), nullptr);
  std::string hex;
  char byte[3];
  for (unsigned int i = 0; i < size; ++i) {
    std::snprintf(byte, sizeof(byte), "%02x", digest[i]);
    hex += byte;
  }
  return hex;
}

::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << actual.size() << " bytes instead of " << expected.size()
                                       << ", first difference at offset " << at;
}

bool NginxServer::Available() {
  return cwplat::FileExists("/usr/sbin/nginx") || cwplat::FileExists("/usr/bin/nginx");
}

NginxServer::NginxServer(const std::string& locationConfig, bool tls) {
  if (!Available()) return;
  cwplat::CreateDirectories(root());
  const std::string config = "access_log " + (m_dir / "access.log") + ";\n" + locationConfig;
  m_server = std::make_unique<cwtest::NginxServer>(root(), config, tls);
}

void NginxServer::Serve(const std::string& name, const std::string& content) const {
  // Replace, not rewrite: a transfer in flight keeps the old file.
  const std::string temp = root() + "/" + name + ".part";
  cwtest::WriteFile(temp, content);
  std::rename(temp.c_str(), (root() + "/" + name).c_str());
}

namespace {

// Each access log line split at its quoted request line. Combined format:
// ... "GET /x HTTP/1.1" 206 4194304 "-" "agent"
std::vector<std::pair<std::string, std::string>> AccessLogEntries(const std::string& path) {
  std::vector<std::pair<std::string, std::string>> entries;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const std::size_t open = line.find('"');
    const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close == std::string::npos) continue;
    entries.emplace_back(line.substr(open + 1, close - open - 1), line.substr(close + 1));
  }
  return entries;
}

}  // namespace

std::vector<std::string> NginxServer::RequestLines() const {
  std::vector<std::string> lines;
  for (const auto& entry : AccessLogEntries(m_dir / "access.log")) lines.push_back(entry.first);
  return lines;
}

std::vector<std::pair<int, std::int64_t>> NginxServer::Requests() const {
  std::vector<std::pair<int, std::int64_t>> requests;
  for (const auto& entry : AccessLogEntries(m_dir / "access.log")) {
    std::istringstream fields(entry.second);
    int status = 0;
    std::int64_t bytes = 0;
    if (fields >> status >> bytes) requests.emplace_back(status, bytes);
  }
  return requests;
}

std::size_t NginxServer::Count(int status) const {
  std::size_t n = 0;
  for (const auto& request : Requests()) n += request.first == status ? 1 : 0;
  return n;
}

std::int64_t NginxServer::BytesSent() const {
  std::int64_t total = 0;
  for (const auto& request : Requests()) total += request.second;
  return total;
}

EventRecorder::EventRecorder() {
  EngineEvents::SetObserverForTesting([this](const std::string& event) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(event);
  });
}

EventRecorder::~EventRecorder() { EngineEvents::SetObserverForTesting({}); }

bool EventRecorder::has(const std::string& event) const { return count(event) > 0; }

std::size_t EventRecorder::count(const std::string& event) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<std::size_t>(std::count(m_events.begin(), m_events.end(), event));
}

std::vector<std::string> EventRecorder::events() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_events;
}

void LoadTestDeployment() {
  ASSERT_TRUE(CDeployment::Instance().LoadFromText(R"(<Deployment>
  <HostList name="AlibabaCdnHosts"><Host>cdn-a.quorla.test</Host><Host>cdn-b.quorla.test</Host><Host>cdn-c.quorla.test</Host></HostList>
  <HostList name="AwsCdnHosts"><Host>cdn-aws.quorla.test</Host></HostList>
</Deployment>)"));
}

}  // namespace enginetest
