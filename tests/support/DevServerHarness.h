// Runs the real cw_devserver as a child process on free ports, and talks to it
// with libcurl; shared by every suite that needs an outside service.
#pragma once

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <curl/curl.h>
#include <json/json.h>

#include <memory>
#include <string>
#include <vector>

namespace devtest {

struct Request {
  std::string method = "GET";  // GET, HEAD or POST
  std::string range;           // CURLOPT_RANGE text, e.g. "10-19"
  std::vector<std::string> headers;
  std::string body;            // POST body
  bool follow = false;
  long maxRedirects = 5;
  std::string caFile;          // HTTPS: trust this CA; empty = system store
  long timeoutMs = 20000;
};

struct Reply {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string headers;  // raw header lines of every response, in arrival order
  std::string body;
  long redirects = 0;
  double seconds = 0;

  // Value of the last header with this exact (case-sensitive) name, or "".
  std::string Header(const std::string& name) const;
};

Reply Fetch(const std::string& url, const Request& request = {});

// Byte i of the test files: a pattern that makes misplaced ranges visible.
char PatternByte(std::uint64_t offset);
std::string PatternBytes(std::uint64_t first, std::uint64_t count);

class DevServer {
 public:
  // Starts the server with this configuration JSON; with `https` a test CA is
  // made first. The served folder holds pattern.bin (1 MiB of PatternByte).
  explicit DevServer(const std::string& configJson = "{}", bool https = false);
  ~DevServer();

  bool ready() const { return m_httpPort > 0; }
  std::string Url(const std::string& path) const;
  std::string HttpsUrl(const std::string& path) const;
  std::string root() const { return m_dir / "root"; }
  std::string caFile() const { return m_dir / "ca/ca.pem"; }
  // A deployment file that puts each named service on this server (both
  // ports), trusts the anchor files for code signing and, unless told not to,
  // its own test CA for TLS (when HTTPS runs).
  std::string DeploymentXml(const std::vector<std::string>& services,
                            const std::vector<std::string>& signingAnchorFiles = {},
                            bool trustOwnCa = true) const;
  std::string output() const;

  // POST /__control; the reply's status.
  long Control(const std::string& json);
  // The record file, one JSON value per line.
  std::vector<Json::Value> Records() const;
  // Waits until the record holds at least `count` lines.
  bool WaitForRecords(std::size_t count) const;

  // SIGTERM; the exit code (or -1 when it does not end in time).
  int Stop();

 private:
  cwtest::TempDir m_dir;
  std::unique_ptr<cwtest::ChildProcess> m_process;
  int m_httpPort = 0;
  int m_httpsPort = 0;
};

constexpr std::uint64_t kPatternSize = 1024 * 1024;

}  // namespace devtest
