#include "Placeholders.h"

#include "FileDigest.h"
#include "FilePath.h"

namespace devserver {
namespace {

std::optional<std::string> FileFact(const std::string& kind, const std::string& name,
                                    const std::filesystem::path& root, std::string& error) {
  std::filesystem::path file;
  if (ResolveUnderRoot(root, name, file) != PathResult::Ok) {
    error = "no served file " + name;
    return std::nullopt;
  }
  if (kind == "md5") {
    std::optional<std::string> md5 = FileMd5(file);
    if (!md5) error = "cannot read " + name;
    return md5;
  }
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) {
    error = "cannot read " + name;
    return std::nullopt;
  }
  return std::to_string(size);
}

}  // namespace

std::optional<std::string> ExpandPlaceholders(const std::string& text, const ServerInfo& server,
                                              const std::filesystem::path& root, std::string& error) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find('{', pos);
    const std::size_t close = open == std::string::npos ? open : text.find('}', open);
    if (close == std::string::npos) break;
    out.append(text, pos, open - pos);
    const std::string inner = text.substr(open + 1, close - open - 1);
    const std::size_t colon = inner.find(':');
    const std::string kind = inner.substr(0, colon);
    if (inner == "base") {
      out += server.httpBase;
    } else if (inner == "https_base") {
      out += server.httpsBase;
    } else if (colon != std::string::npos && (kind == "md5" || kind == "size")) {
      const std::optional<std::string> fact = FileFact(kind, inner.substr(colon + 1), root, error);
      if (!fact) return std::nullopt;
      out += *fact;
    } else {
      out.append(text, open, close - open + 1);
    }
    pos = close + 1;
  }
  out.append(text, std::min(pos, text.size()), std::string::npos);
  return out;
}

}  // namespace devserver
