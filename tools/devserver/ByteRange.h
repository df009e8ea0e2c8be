// The Range header of a GET, resolved against the size of what is served
// (RFC 9110, 14.1 and 14.2).
#pragma once

#include <cstdint>
#include <string_view>

namespace devserver {

enum class RangeKind {
  Whole,          // no Range header, or one we ignore: answer 200 with everything
  Single,         // one satisfiable range: 206
  Multiple,       // several ranges: ignored (200 with everything), see README
  Unsatisfiable,  // one range that selects nothing: 416
};

struct ResolvedRange {
  RangeKind kind = RangeKind::Whole;
  std::uint64_t first = 0;  // Single only; last is clamped to the size
  std::uint64_t last = 0;
};

// An empty `header` means no Range header. An unknown unit or an invalid
// range set (bad syntax, last < first) is ignored, as the RFC allows.
ResolvedRange ResolveRange(std::string_view header, std::uint64_t size);

}  // namespace devserver
