// Placeholders in configured texts, expanded when a request is answered:
//   {base}        this server's HTTP base URL, e.g. http://127.0.0.1:18080
//   {https_base}  its HTTPS base URL (empty when HTTPS is off)
//   {md5:NAME}    MD5 (hex) of the served file NAME
//   {size:NAME}   size in bytes of the served file NAME
// Other brace texts stay as they are.
#pragma once

#include "Router.h"

#include <filesystem>
#include <optional>
#include <string>

namespace devserver {

// Nothing (with a reason) when a named file cannot be read.
std::optional<std::string> ExpandPlaceholders(const std::string& text, const ServerInfo& server,
                                              const std::filesystem::path& root, std::string& error);

}  // namespace devserver
