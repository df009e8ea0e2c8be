// The language files' format strings with their one conversion filled in:
// "%0.f%%" or "%.1f" with a number, "%s" with a text. A format with another
// conversion, or with more or fewer than one, is shown as it stands: the
// texts come from a skin anyone may edit, and printf with an argument of the
// wrong type is undefined behaviour.
#pragma once

#include <string>
#include <vector>

namespace ui {

// The conversions of a format as printf reads them ("%%" is none): "%0.f",
// "%s", ...; for checking a skin's texts.
std::vector<std::string> Conversions(const std::string& format);

std::string FormatNumber(const std::string& format, double value);
std::string FormatString(const std::string& format, const std::string& value);

}  // namespace ui
