#include "toolkit/SkinValues.h"

#include <algorithm>
#include <cctype>

namespace cwui {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a signed decimal number at `at` (no blanks skipped); false when there
// are no digits there.
bool ReadNumber(const std::string& text, std::size_t& at, int& value) {
  std::size_t i = at;
  const bool negative = i < text.size() && (text[i] == '-' || text[i] == '+') ? text[i++] == '-' : false;
  if (i >= text.size() || !IsDigit(text[i])) return false;
  long long v = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) v = std::min<long long>(v * 10 + (text[i] - '0'), kMaxSkinNumber);
  value = static_cast<int>(negative ? -v : v);
  at = i;
  return true;
}

// Up to `count` numbers, one separator character between them.
void ReadNumbers(const std::string& text, int* values, int count) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  for (int n = 0; n < count; ++n) {
    if (n > 0) {
      if (at >= text.size()) return;
      ++at;  // the separator, whatever it is
    }
    if (!ReadNumber(text, at, values[n])) return;
  }
}

}  // namespace

Rect ParseRect(const std::string& text) {
  int v[4] = {0, 0, 0, 0};
  ReadNumbers(text, v, 4);
  return {v[0], v[1], v[2], v[3]};
}

Size ParseSize(const std::string& text) {
  int v[2] = {0, 0};
  ReadNumbers(text, v, 2);
  return {v[0], v[1]};
}

int ParseInt(const std::string& text) {
  int v = 0;
  ReadNumbers(text, &v, 1);
  return v;
}

bool ParseBool(const std::string& text) { return text == "true"; }

std::optional<std::uint32_t> ParseColour(const std::string& text) {
  std::size_t at = 0;
  if (text.starts_with("#")) {
    at = 1;
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    at = 2;
  } else {
    return std::nullopt;
  }
  if (at == text.size() || text.size() - at > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (; at < text.size(); ++at) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
    const int digit = IsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::vector<std::pair<std::string, std::string>> ParseAttributeList(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::size_t at = 0;
  for (;;) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    const std::size_t eq = text.find('=', at);
    if (at >= text.size() || eq == std::string::npos || eq == at || eq + 1 >= text.size()) break;
    const char quote = text[eq + 1];
    if (quote != '"' && quote != '\'') break;
    const std::size_t end = text.find(quote, eq + 2);
    if (end == std::string::npos) break;
    std::string name = text.substr(at, eq - at);
    if (std::any_of(name.begin(), name.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); })) {
      break;
    }
    pairs.emplace_back(std::move(name), text.substr(eq + 2, end - eq - 2));
    at = end + 1;
  }
  return pairs;
}

}  // namespace cwui
