#include "ui/FormatText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace ui {
namespace {

// Flags, a width and a precision of at most two digits each keep the filled-in
// part short.
constexpr std::size_t kMaxDigits = 2;

struct Conversion {
  std::size_t start = std::string::npos, end = 0;  // of the one "%...x"
  char type = 0;
};

std::size_t Digits(const std::string& f, std::size_t i) {
  std::size_t n = 0;
  while (i + n < f.size() && std::isdigit(static_cast<unsigned char>(f[i + n])) != 0) ++n;
  return n;
}

// Every conversion of the format ("%%" is none), as printf would read it;
// one of a shape the windows do not fill has type 0.
std::vector<Conversion> Scan(const std::string& f) {
  std::vector<Conversion> found;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%') continue;
    if (i + 1 < f.size() && f[i + 1] == '%') {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < f.size() && std::strchr("-+ 0#", f[j]) != nullptr) ++j;
    const std::size_t width = Digits(f, j);
    j += width;
    std::size_t precision = 0;
    if (j < f.size() && f[j] == '.') precision = Digits(f, ++j), j += precision;
    const bool accepted = j < f.size() && std::strchr("fFeEgGs", f[j]) != nullptr && width <= kMaxDigits &&
                          precision <= kMaxDigits;
    found.push_back({i, std::min(j + 1, f.size()), accepted ? f[j] : '\0'});
    i = j;
  }
  return found;
}

// The one conversion of the format, or none when there is not exactly one of
// the accepted shape.
Conversion FindConversion(const std::string& f) {
  const std::vector<Conversion> all = Scan(f);
  return all.size() == 1 && all[0].type != '\0' ? all[0] : Conversion{};
}

// The literal parts: "%%" is one percent sign.
std::string Literal(const std::string& f, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) {
    out += f[i];
    if (f[i] == '%' && i + 1 < to && f[i + 1] == '%') ++i;
  }
  return out;
}

}  // namespace

std::vector<std::string> Conversions(const std::string& format) {
  std::vector<std::string> texts;
  for (const Conversion& c : Scan(format)) texts.push_back(format.substr(c.start, c.end - c.start));
  return texts;
}

std::string FormatNumber(const std::string& format, double value) {
  const Conversion c = FindConversion(format);
  if (c.start == std::string::npos || c.type == 's') return format;
  const std::string spec = format.substr(c.start, c.end - c.start);
  char buffer[128];
  const int n = std::snprintf(buffer, sizeof buffer, spec.c_str(), value);
  if (n < 0) return format;
  std::string filled(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
  return Literal(format, 0, c.start) + filled + Literal(format, c.end, format.size());
}

std::string FormatString(const std::string& format, const std::string& value) {
  // The text goes in whole (no precision cut in the middle of a UTF-8
  // character): only a bare "%s" is filled.
  const Conversion c = FindConversion(format);
  if (c.start == std::string::npos || c.type != 's' || c.end - c.start != 2) return format;
  return Literal(format, 0, c.start) + value + Literal(format, c.end, format.size());
}

}  // namespace ui
