#include "platform/ini_file.h"

#include <cctype>
#include <climits>
#include <fstream>
#include <strings.h>

namespace cwplat {
namespace {

// A settings file is a handful of lines; anything larger is not ours to read whole.
constexpr std::streamsize kMaxFileBytes = 64 * 1024;

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

int ParseProfileInt(const std::string& value) {
  size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  long long n = 0;
  for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
    n = n * 10 + (value[i] - '0');
    if (n > INT_MAX) return negative ? 0 : INT_MAX;
  }
  return negative ? 0 : static_cast<int>(n);
}

}  // namespace

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& filePath) {
  std::ifstream in(filePath, std::ios::binary);
  if (!in) return defaultValue;
  std::string content(static_cast<size_t>(kMaxFileBytes), '\0');
  in.read(content.data(), kMaxFileBytes);
  content.resize(static_cast<size_t>(in.gcount()));

  bool inSection = false;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t eol = content.find('\n', pos);
    if (eol == std::string::npos) eol = content.size();
    std::string line = Trim(content.substr(pos, eol - pos));
    pos = eol + 1;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      inSection = close != std::string::npos && SameName(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (SameName(Trim(line.substr(0, eq)), key)) return ParseProfileInt(Trim(line.substr(eq + 1)));
  }
  return defaultValue;
}

}  // namespace cwplat
