// The three decimal rules over any text, each against the C library's own
// conversion of the same text: strtoll for the leading digits, from_chars for
// the whole text and for a run of digits. A disagreement aborts.
#include "DecimalText.h"

#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The whole text as one number: blanks around it, then what from_chars reads
// of all that is left ('+' is the caller's to drop, from_chars takes none).
std::optional<std::int64_t> WholeByFromChars(std::string_view s) {
  while (!s.empty() && IsCSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsCSpace(s.back())) s.remove_suffix(1);
  if (s.size() >= 2 && s[0] == '+' && s[1] != '-') s.remove_prefix(1);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || error != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);  // NUL-terminated for strtoll

  const long long leading = std::strtoll(text.c_str(), nullptr, 10);
  const long long saturated = leading < INT_MIN ? INT_MIN : leading > INT_MAX ? INT_MAX : leading;
  if (FuntionImpl::ParseLeadingIntSaturated(text) != saturated) std::abort();

  const std::optional<std::int64_t> whole = FuntionImpl::ParseWholeDecimal(text, INT64_MIN, INT64_MAX);
  if (whole != WholeByFromChars(text)) std::abort();
  if (whole) {
    const std::int64_t v = *whole;
    // The bounds are inclusive and nothing outside them passes.
    if (FuntionImpl::ParseWholeDecimal(text, v, v) != v) std::abort();
    if (v < INT64_MAX && FuntionImpl::ParseWholeDecimal(text, v + 1, INT64_MAX)) std::abort();
    if (v > INT64_MIN && FuntionImpl::ParseWholeDecimal(text, INT64_MIN, v - 1)) std::abort();
    if (FuntionImpl::ParseWholeDecimal(std::to_string(v), INT64_MIN, INT64_MAX) != v) std::abort();
    // A whole number is also what the leading rule reads, saturated to int.
    if (FuntionImpl::ParseLeadingIntSaturated(text) != (v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v))
      std::abort();
  } else if (FuntionImpl::ParseWholeDecimal(text, 0, 0) || FuntionImpl::ParseWholeDecimal(text, -1, 1)) {
    std::abort();
  }

  // Digits at a few places: the start, the middle, the first digit, the end.
  const std::size_t firstDigit = text.find_first_of("0123456789");
  for (const std::size_t from : {std::size_t{0}, size / 2, firstDigit, size}) {
    const std::optional<std::int64_t> digits = FuntionImpl::ParseDigitsAt(text, from);
    std::optional<std::int64_t> expected;
    if (from < size && text[from] >= '0' && text[from] <= '9') {
      std::int64_t value = 0;
      if (std::from_chars(text.data() + from, text.data() + size, value).ec == std::errc()) expected = value;
    }
    if (digits != expected || (digits && *digits < 0)) std::abort();
  }
  return 0;
}
