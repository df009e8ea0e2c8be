// A real nginx on a free loopback port serving one folder: the reference
// for range semantics that our own code is checked against.
#pragma once

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <memory>
#include <string>

namespace cwtest {

class NginxServer {
 public:
  // `extraLocationConfig` is pasted into the location block (for example
  // "limit_rate 20m;"). With `tls` it serves HTTPS and HTTP/2 (negotiated by
  // ALPN) with a certificate of a throw-away CA (caFile()).
  explicit NginxServer(const std::string& root, const std::string& extraLocationConfig = "", bool tls = false);
  ~NginxServer();

  // False when nginx is not installed or did not come up.
  bool running() const { return m_running; }
  int port() const { return m_port; }
  std::string url(const std::string& path) const;
  std::string caFile() const { return m_prefix / "ca/ca.pem"; }

 private:
  TempDir m_prefix;
  std::unique_ptr<ChildProcess> m_process;
  int m_port = 0;
  bool m_running = false;
  bool m_tls = false;
};

// Location blocks for an NginxServer's extraLocationConfig: /to-file and
// /to-ftp answer 302 to file://<localPath> and to an ftp:// address where
// nothing listens, /to-http answers 302 to http://<this server>/<httpTarget>.
std::string SchemeRedirects(const std::string& localPath, const std::string& httpTarget);

// A loopback TCP port that was free a moment ago.
int FreeLoopbackPort();
// True once something accepts connections on the loopback port.
bool PortAccepts(int port);

}  // namespace cwtest
