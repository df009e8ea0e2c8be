// The HTTP listener and, with a certificate, the HTTPS listener: both answer
// through the same router.
#pragma once

#include "Options.h"
#include "Router.h"

#include <memory>
#include <string>

namespace devserver {

class Listeners {
 public:
  Listeners();
  ~Listeners();
  Listeners(const Listeners&) = delete;
  Listeners& operator=(const Listeners&) = delete;

  // Creates and binds the listeners (port 0 picks a free one) and fills in
  // `info` with their base URLs; requests are not answered before Start.
  bool Bind(const Options& options, Router& router, ServerInfo& info, std::string& error);
  void Start();
  // Ends the listeners and waits for their threads.
  void Stop();

  int httpPort() const { return m_httpPort; }
  int httpsPort() const { return m_httpsPort; }

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
  int m_httpPort = 0;
  int m_httpsPort = 0;
};

}  // namespace devserver
