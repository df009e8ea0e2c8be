#include "Options.h"

#include <charconv>
#include <string_view>

namespace devserver {
namespace {

bool ParsePort(std::string_view text, int& port) {
  int value = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > 65535) return false;
  port = value;
  return true;
}

}  // namespace

const char* Usage() {
  return "usage: cw_devserver --root <folder> [--config <config.json>] [--record <requests.jsonl>]\n"
         "                    [--port N] [--https-port N] [--cert cert.pem --key key.pem] [--bind 127.0.0.1]\n"
         "Ports default to 18080 (HTTP) and 18443 (HTTPS); 0 picks a free port. HTTPS runs only\n"
         "when --cert and --key are given. Prints \"devserver http=N https=M\" when ready.\n";
}

std::optional<Options> ParseOptions(int argc, const char* const* argv, std::string& error) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return options;
    }
    if (i + 1 >= argc) {
      error = "missing value for " + std::string(arg);
      return std::nullopt;
    }
    const std::string_view value = argv[++i];
    if (arg == "--root") {
      options.root = value;
    } else if (arg == "--config") {
      options.config = value;
    } else if (arg == "--record") {
      options.record = value;
    } else if (arg == "--bind") {
      options.bind = value;
    } else if (arg == "--cert") {
      options.cert = value;
    } else if (arg == "--key") {
      options.key = value;
    } else if (arg == "--port" || arg == "--https-port") {
      if (!ParsePort(value, arg == "--port" ? options.port : options.httpsPort)) {
        error = "bad port for " + std::string(arg) + ": " + std::string(value);
        return std::nullopt;
      }
    } else {
      error = "unknown option " + std::string(arg);
      return std::nullopt;
    }
  }
  if (options.root.empty()) {
    error = "--root is required";
    return std::nullopt;
  }
  if (options.cert.empty() != options.key.empty()) {
    error = "--cert and --key go together";
    return std::nullopt;
  }
  if (options.bind.empty()) {
    error = "--bind needs an address";
    return std::nullopt;
  }
  return options;
}

}  // namespace devserver
