// The value syntax of skin attributes: rectangles, sizes, colours, booleans
// and the attribute lists of <Default>. Every reader is total: text that does
// not fit gives zeros or nothing, never a fault, and numbers are clamped so
// that geometry stays small enough to add up without overflow.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cwui {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

struct Size {
  int cx = 0, cy = 0;
  bool operator==(const Size&) const = default;
};

// Numbers beyond this are clamped: no skin needs more, and sums of a few
// thousand of them stay inside an int.
constexpr int kMaxSkinNumber = 100000;

// "l,t,r,b" and "w,h": decimal numbers with any single separator between
// them; missing numbers are 0.
Rect ParseRect(const std::string& text);
Size ParseSize(const std::string& text);
// One decimal number (leading blanks and a sign allowed), 0 when none.
int ParseInt(const std::string& text);
// True only for the exact text "true".
bool ParseBool(const std::string& text);
// "#AARRGGBB" or "0xAARRGGBB" (fewer digits read as the same number, so
// "#FF0000" has alpha 0); nothing when it is neither.
std::optional<std::uint32_t> ParseColour(const std::string& text);

// The attribute list of a <Default> value: name="value" pairs separated by
// blanks. Reading stops at the first pair that is not well formed.
std::vector<std::pair<std::string, std::string>> ParseAttributeList(const std::string& text);

}  // namespace cwui
