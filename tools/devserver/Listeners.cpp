#include "Listeners.h"

#include "SocketControl.h"

#include <chrono>
#include <thread>
#include <vector>

namespace devserver {
namespace {

constexpr std::size_t kThreadsPerListener = 64;
constexpr int kBacklog = 128;
constexpr std::size_t kMaxRequestBody = 64 * 1024 * 1024;

// Gives access to the listening socket, which the library keeps to itself.
template <typename Base>
class Listener : public Base {
 public:
  using Base::Base;
  int ListenSocket() const { return this->svr_sock_; }
};

void Configure(httplib::Server& server, Router& router, const std::string& scheme) {
  server.new_task_queue = [] { return new httplib::ThreadPool(kThreadsPerListener); };
  server.set_keep_alive_max_count(1000);
  server.set_keep_alive_timeout(5);
  // A client may stop reading for a while (its own stall tests); do not give up on it early.
  server.set_write_timeout(60);
  server.set_payload_max_length(kMaxRequestBody);
  router.Install(server, scheme);
}

template <typename Server>
int BindPort(Server& server, const std::string& host, int port) {
  if (port == 0) return server.bind_to_any_port(host);
  return server.bind_to_port(host, port) ? port : -1;
}

// A URL host for the bind address; the wildcard addresses are reached on loopback.
std::string UrlHost(const std::string& bind) {
  if (bind == "0.0.0.0") return "127.0.0.1";
  if (bind == "::") return "[::1]";
  if (bind.find(':') != std::string::npos) return "[" + bind + "]";
  return bind;
}

}  // namespace

struct Listeners::Impl {
  std::unique_ptr<Listener<httplib::Server>> http;
  std::unique_ptr<Listener<httplib::SSLServer>> https;
  std::vector<std::thread> threads;
};

Listeners::Listeners() : m_impl(std::make_unique<Impl>()) {}

Listeners::~Listeners() { Stop(); }

bool Listeners::Bind(const Options& options, Router& router, ServerInfo& info, std::string& error) {
  m_impl->http = std::make_unique<Listener<httplib::Server>>();
  Configure(*m_impl->http, router, "http");
  m_httpPort = BindPort(*m_impl->http, options.bind, options.port);
  if (m_httpPort <= 0) {
    error = "cannot listen on " + options.bind + ":" + std::to_string(options.port);
    return false;
  }
  RaiseBacklog(m_impl->http->ListenSocket(), kBacklog);
  info.httpBase = "http://" + UrlHost(options.bind) + ":" + std::to_string(m_httpPort);

  if (!options.https()) return true;
  m_impl->https = std::make_unique<Listener<httplib::SSLServer>>(options.cert.c_str(), options.key.c_str());
  if (!m_impl->https->is_valid()) {
    error = "cannot use certificate " + options.cert + " with key " + options.key;
    return false;
  }
  Configure(*m_impl->https, router, "https");
  m_httpsPort = BindPort(*m_impl->https, options.bind, options.httpsPort);
  if (m_httpsPort <= 0) {
    error = "cannot listen on " + options.bind + ":" + std::to_string(options.httpsPort);
    return false;
  }
  RaiseBacklog(m_impl->https->ListenSocket(), kBacklog);
  info.httpsBase = "https://" + UrlHost(options.bind) + ":" + std::to_string(m_httpsPort);
  return true;
}

void Listeners::Start() {
  if (m_impl->http) m_impl->threads.emplace_back([this] { m_impl->http->listen_after_bind(); });
  if (m_impl->https) m_impl->threads.emplace_back([this] { m_impl->https->listen_after_bind(); });
  // stop() only reaches a listener that runs: wait for that before going on.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline &&
         !((!m_impl->http || m_impl->http->is_running()) && (!m_impl->https || m_impl->https->is_running()))) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void Listeners::Stop() {
  if (m_impl->http) m_impl->http->stop();
  if (m_impl->https) m_impl->https->stop();
  for (std::thread& thread : m_impl->threads) {
    if (thread.joinable()) thread.join();
  }
  m_impl->threads.clear();
}

}  // namespace devserver
