#include "ByteRange.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <vector>

namespace devserver {
namespace {

struct Spec {
  std::optional<std::uint64_t> first;  // absent = suffix range
  std::optional<std::uint64_t> last;   // absent = open range (or the suffix length is in it)
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::optional<std::uint64_t> Digits(std::string_view text) {
  if (text.empty() || text.size() > 19 ||
      !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::optional<Spec> ParseSpec(std::string_view text) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const std::string_view left = text.substr(0, dash);
  const std::string_view right = text.substr(dash + 1);
  Spec spec;
  if (left.empty()) {  // suffix-range: "-" suffix-length
    spec.last = Digits(right);
    if (!spec.last) return std::nullopt;
    return spec;
  }
  spec.first = Digits(left);
  if (!spec.first) return std::nullopt;
  if (!right.empty()) {
    spec.last = Digits(right);
    if (!spec.last || *spec.last < *spec.first) return std::nullopt;
  }
  return spec;
}

bool IsBytesUnit(std::string_view unit) {
  constexpr std::string_view kBytes = "bytes";
  return unit.size() == kBytes.size() && std::equal(unit.begin(), unit.end(), kBytes.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

}  // namespace

ResolvedRange ResolveRange(std::string_view header, std::uint64_t size) {
  ResolvedRange whole;
  const std::size_t eq = header.find('=');
  if (eq == std::string_view::npos || !IsBytesUnit(Trim(header.substr(0, eq)))) return whole;

  std::vector<Spec> specs;
  std::string_view rest = header.substr(eq + 1);
  while (true) {
    const std::size_t comma = rest.find(',');
    const std::string_view item = Trim(rest.substr(0, comma));
    if (!item.empty()) {  // the list rule lets empty elements through
      const std::optional<Spec> spec = ParseSpec(item);
      if (!spec) return whole;
      specs.push_back(*spec);
    }
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (specs.empty()) return whole;
  if (specs.size() > 1) return ResolvedRange{RangeKind::Multiple, 0, 0};

  const Spec& spec = specs.front();
  ResolvedRange out{RangeKind::Unsatisfiable, 0, 0};
  if (!spec.first) {  // suffix: the last n bytes, all of them when n exceeds the size
    if (*spec.last == 0 || size == 0) return out;
    out.first = size - std::min(*spec.last, size);
  } else {
    if (*spec.first >= size) return out;
    out.first = *spec.first;
  }
  out.kind = RangeKind::Single;
  out.last = (spec.first && spec.last) ? std::min(*spec.last, size - 1) : size - 1;
  return out;
}

}  // namespace devserver
