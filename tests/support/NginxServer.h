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
  // `extraLocationConfig` is pasted into the location block (for example "limit_rate 20m;").
  explicit NginxServer(const std::string& root, const std::string& extraLocationConfig = "");
  ~NginxServer();

  // False when nginx is not installed or did not come up.
  bool running() const { return m_running; }
  int port() const { return m_port; }
  std::string url(const std::string& path) const;

 private:
  TempDir m_prefix;
  std::unique_ptr<ChildProcess> m_process;
  int m_port = 0;
  bool m_running = false;
};

// A loopback TCP port that was free a moment ago.
int FreeLoopbackPort();
// True once something accepts connections on the loopback port.
bool PortAccepts(int port);

}  // namespace cwtest
