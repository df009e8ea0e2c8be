// The command line of cw_devserver.
#pragma once

#include <optional>
#include <string>

namespace devserver {

struct Options {
  std::string root;     // folder whose files /files/<name> serves (required)
  std::string config;   // JSON configuration; empty = built-in defaults
  std::string record;   // JSON-lines request record; empty = no record
  std::string bind = "127.0.0.1";
  int port = 18080;        // 0 = pick a free port
  int httpsPort = 18443;   // 0 = pick a free port; HTTPS runs only with cert and key
  std::string cert;
  std::string key;
  bool help = false;

  bool https() const { return !cert.empty() && !key.empty(); }
};

// Parses argv; on failure returns nothing and explains why in `error`.
std::optional<Options> ParseOptions(int argc, const char* const* argv, std::string& error);

const char* Usage();

}  // namespace devserver
