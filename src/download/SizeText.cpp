#include "SizeText.h"

#include <sstream>

namespace FuntionImpl {
namespace {

constexpr std::int64_t kK = 1024;
constexpr std::int64_t kM = kK * 1024;
constexpr std::int64_t kG = kM * 1024;

struct Split {
  std::int64_t g = -1, m = -1, k = -1, b = -1;  // -1: unit absent
};

Split SplitUnits(std::int64_t n) {
  Split s;
  if (n < 0) return s;
  if (n > kG) { s.g = n / kG; n %= kG; }
  if (n > kM) { s.m = n / kM; n %= kM; }
  if (n > kK) { s.k = n / kK; n %= kK; }
  if (n != 0) s.b = n;
  return s;
}

// whole + fraction/1024, truncated to two decimals, in the default stream format.
std::string Compact(std::int64_t whole, std::int64_t fraction, const char* unit) {
  const std::int64_t hundredths = fraction < 0 ? 0 : fraction * 100 / 1024;
  std::ostringstream out;
  out << static_cast<double>(whole) + static_cast<double>(hundredths) / 100.0 << unit;
  return out.str();
}

}  // namespace

std::string SizeSplitText(std::int64_t bytes) {
  const Split s = SplitUnits(bytes);
  std::string text;
  if (s.g >= 0) text += std::to_string(s.g) + "G";
  if (s.m >= 0) text += std::to_string(s.m) + "M";
  if (s.k >= 0) text += std::to_string(s.k) + "K";
  if (s.b >= 0) text += std::to_string(s.b) + "B";
  return text;
}

std::string SizeText(std::int64_t bytes) {
  const Split s = SplitUnits(bytes);
  if (s.g >= 0) return Compact(s.g, s.m, "G");
  if (s.m >= 0) return Compact(s.m, s.k, "M");
  if (s.k >= 0) return Compact(s.k, s.b, "K");
  if (s.b >= 0) return std::to_string(s.b) + "B";
  return "0.00B";
}

}  // namespace FuntionImpl
