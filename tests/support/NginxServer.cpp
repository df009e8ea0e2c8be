#include "support/NginxServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace cwtest {

int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

bool PortAccepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

std::string SchemeRedirects(const std::string& localPath, const std::string& httpTarget) {
  return "location = /to-file { return 302 file://" + localPath + "; }\n"
         "location = /to-ftp { return 302 ftp://127.0.0.1:1/" + httpTarget + "; }\n"
         "location = /to-http { return 302 http://127.0.0.1:$server_port/" + httpTarget + "; }\n";
}

NginxServer::NginxServer(const std::string& root, const std::string& extraLocationConfig, bool tls) : m_tls(tls) {
  const char* candidates[] = {"/usr/sbin/nginx", "/usr/bin/nginx"};
  std::string nginx;
  for (const char* c : candidates) {
    if (std::filesystem::exists(c)) nginx = c;
  }
  if (nginx.empty()) return;
  m_port = FreeLoopbackPort();
  const std::string& p = m_prefix.path();
  std::filesystem::create_directories(p + "/logs");
  std::string listen = "    listen 127.0.0.1:" + std::to_string(m_port) + ";\n";
  if (tls) {
    if (!MakeTestCa(p + "/ca")) return;
    listen = "    listen 127.0.0.1:" + std::to_string(m_port) + " ssl http2;\n"
             "    ssl_certificate " + p + "/ca/server.pem;\n    ssl_certificate_key " + p + "/ca/server.key;\n";
  }
  // One process, no user switch: it reads the test's private folders as the test user.
  WriteFile(p + "/nginx.conf",
            "master_process off;\ndaemon off;\nworker_processes 1;\npid " + p + "/nginx.pid;\n"
            "error_log " + p + "/logs/error.log warn;\n"
            "events { worker_connections 256; }\n"
            "http {\n  access_log off;\n  sendfile on;\n  keepalive_timeout 30;\n"
            "  client_body_temp_path " + p + "/body;\n  proxy_temp_path " + p + "/proxy;\n"
            "  fastcgi_temp_path " + p + "/fastcgi;\n  uwsgi_temp_path " + p + "/uwsgi;\n"
            "  scgi_temp_path " + p + "/scgi;\n"
            "  types { application/octet-stream exe; }\n  default_type application/octet-stream;\n"
            "  server {\n" + listen +
            "    root " + root + ";\n    location / { " + extraLocationConfig + " }\n  }\n}\n");
  m_process = std::make_unique<ChildProcess>(nginx, std::vector<std::string>{"-p", p, "-c", p + "/nginx.conf"},
                                             std::map<std::string, std::string>{}, p + "/logs/stdout.log");
  m_running = m_process->started() && WaitUntil(5000, [this] { return PortAccepts(m_port); });
}

NginxServer::~NginxServer() {
  if (m_process) {
    m_process->Kill(SIGTERM);
    if (m_process->Wait(5000) < 0) m_process->Kill(SIGKILL);
  }
}

std::string NginxServer::url(const std::string& path) const {
  return (m_tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_port) + path;
}

}  // namespace cwtest
