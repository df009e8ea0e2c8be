#include "DecimalText.h"

#include <climits>

namespace FuntionImpl {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// The C locale's white space, as isspace has it.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr std::uint64_t kInt64Magnitude = static_cast<std::uint64_t>(INT64_MAX) + 1;

}  // namespace

int ParseLeadingIntSaturated(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long n = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    n = n * 10 + (text[i] - '0');
    if (n > static_cast<long long>(INT_MAX) + 1) break;  // saturated either way
  }
  if (negative) return n > static_cast<long long>(INT_MAX) ? INT_MIN : static_cast<int>(-n);
  return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

std::optional<std::int64_t> ParseWholeDecimal(std::string_view text, std::int64_t minimum, std::int64_t maximum) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsSpace(text[b])) ++b;
  while (e > b && IsSpace(text[e - 1])) --e;
  const bool negative = b < e && text[b] == '-';
  if (b < e && (text[b] == '-' || text[b] == '+')) ++b;
  if (b == e) return std::nullopt;
  std::uint64_t magnitude = 0;
  for (std::size_t i = b; i < e; ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(text[i] - '0');
    if (magnitude > (kInt64Magnitude - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative && magnitude == kInt64Magnitude) return std::nullopt;
  const std::int64_t value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  if (value < minimum || value > maximum) return std::nullopt;
  return value;
}

std::optional<std::int64_t> ParseDigitsAt(std::string_view text, std::size_t from) {
  if (from >= text.size() || !IsDigit(text[from])) return std::nullopt;
  std::int64_t value = 0;
  for (std::size_t i = from; i < text.size() && IsDigit(text[i]); ++i) {
    const int digit = text[i] - '0';
    if (value > (INT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace FuntionImpl
