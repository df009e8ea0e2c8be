#include "UrlQuery.h"

#include <string_view>

namespace devserver {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;  // a stray '%' stays as it is
    }
  }
  return out;
}

}  // namespace

Query ParseQuery(const std::string& target) {
  Query query;
  const std::size_t question = target.find('?');
  if (question == std::string::npos) return query;
  std::string_view rest = std::string_view(target).substr(question + 1);
  while (!rest.empty()) {
    const std::size_t amp = rest.find('&');
    const std::string_view pair = rest.substr(0, amp);
    if (!pair.empty()) {
      const std::size_t eq = pair.find('=');
      query.emplace(Decode(pair.substr(0, eq)), eq == std::string_view::npos ? "" : Decode(pair.substr(eq + 1)));
    }
    if (amp == std::string_view::npos) break;
    rest.remove_prefix(amp + 1);
  }
  return query;
}

std::optional<std::string> Param(const Query& query, const std::string& name) {
  const auto it = query.find(name);
  if (it == query.end()) return std::nullopt;
  return it->second;
}

}  // namespace devserver
