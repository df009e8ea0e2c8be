// Helpers of the download engine's tests: nginx with an access log,
// test files, and guards for the engine's events and limits.
#pragma once

#include "DownloadTuning.h"
#include "support/ChildProcess.h"
#include "support/NginxServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace enginetest {

// Deterministic bytes that make a misplaced range visible.
std::string TestBytes(std::size_t size, std::uint32_t seed);
std::string Md5Hex(const std::string& data);
// Equal bytes; on a difference, the sizes and the first differing offset
// (not megabytes of both texts).
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected);

// A real nginx serving a temporary folder, with an access log of
// (status, body bytes sent) per request.
class NginxServer {
 public:
  // locationConfig goes into the server's one location block: directives
  // such as "limit_rate 8m;" and nested location blocks. With `tls` it serves
  // HTTPS and HTTP/2 with a certificate of a throw-away CA (caFile()).
  explicit NginxServer(const std::string& locationConfig = "", bool tls = false);

  static bool Available();
  bool ready() const { return m_server && m_server->running(); }
  std::string Url(const std::string& name) const { return m_server->url("/" + name); }
  // Writes a file that the server serves as /<name>.
  void Serve(const std::string& name, const std::string& content) const;
  std::string root() const { return m_dir / "root"; }
  std::string caFile() const { return m_server->caFile(); }
  // The request lines ("GET /pkg.exe HTTP/2.0") of every request logged so far.
  std::vector<std::string> RequestLines() const;
  // (status, body bytes) of every request logged so far.
  std::vector<std::pair<int, std::int64_t>> Requests() const;
  std::size_t Count(int status) const;
  std::int64_t BytesSent() const;

 private:
  cwtest::TempDir m_dir;
  std::unique_ptr<cwtest::NginxServer> m_server;
};

// Collects the engine's user events while it lives.
class EventRecorder {
 public:
  EventRecorder();
  ~EventRecorder();
  bool has(const std::string& event) const;
  std::size_t count(const std::string& event) const;
  std::vector<std::string> events() const;

 private:
  mutable std::mutex m_mutex;
  std::vector<std::string> m_events;
};

// Replaces the engine's limits for one scope.
class TuningScope {
 public:
  explicit TuningScope(const DownloadTuning& tuning) { SetDownloadTuningForTesting(tuning); }
  ~TuningScope() { ResetDownloadTuningForTesting(); }
  TuningScope(const TuningScope&) = delete;
  TuningScope& operator=(const TuningScope&) = delete;
};

// A deployment document whose CDN host lists the tests know.
void LoadTestDeployment();

}  // namespace enginetest
