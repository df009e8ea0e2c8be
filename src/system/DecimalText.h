// Decimal numbers in outside texts (configuration values, task files, HTTP
// headers), one function per rule; every caller picks the rule its input has
// always been read with. None reads past its text or overflows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace FuntionImpl {

// Leading digits, saturated: white space, an optional sign, then as many
// digits as follow; whatever comes after is ignored ("6881x" is 6881), no
// digits read as 0, and a value outside int's range becomes INT_MIN or INT_MAX.
int ParseLeadingIntSaturated(std::string_view text);

// The whole text is one number: white space around it and a sign allowed,
// nothing else ("6881x" is nothing). Nothing, too, for a value outside
// [minimum, maximum].
std::optional<std::int64_t> ParseWholeDecimal(std::string_view text, std::int64_t minimum, std::int64_t maximum);

// The run of digits that starts at `from`, no sign and no blanks ("6881x" at 0
// is 6881). Nothing when no digit stands there or the value does not fit in
// 64 bits.
std::optional<std::int64_t> ParseDigitsAt(std::string_view text, std::size_t from);

}  // namespace FuntionImpl
