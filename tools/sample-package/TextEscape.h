// Makes outside text safe for one line of a note or a log: control bytes
// become "\xNN", so a value can neither break a line nor forge the next one.
#pragma once

#include <string>
#include <string_view>

namespace sample {

std::string Escape(std::string_view text);

}  // namespace sample
