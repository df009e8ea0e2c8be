// The product's settings file: written by the installer, read by the product.
//   [Settings]
//   Language=<code>
//   Tracking=<value>
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sample {

std::string FormatSettings(const std::string& language, const std::string& tracking);

// The value of key in section; names compare without case (ASCII), blanks around
// names and values are dropped, ';' and '#' lines are comments. Nothing when
// the section or key is missing.
std::optional<std::string> ReadIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

}  // namespace sample
