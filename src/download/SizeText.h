// Byte counts as the progress display shows them ("1.5M", "2K", "0.00B").
#pragma once

#include <cstdint>
#include <string>

namespace FuntionImpl {

// Whole units, largest first: 1 572 864 gives "1M512K"; a unit is used only
// for counts strictly above it; negative counts give "".
std::string SizeSplitText(std::int64_t bytes);
// The compact form of the split: the largest unit plus the next one in
// 1024ths, truncated to two decimals ("1.5M"); "0.00B" when nothing is left.
std::string SizeText(std::int64_t bytes);

}  // namespace FuntionImpl
