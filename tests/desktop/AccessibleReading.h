// Reading nodes over AT-SPI beyond names and states: their text, and a whole
// tree as text for failure messages.
#pragma once

#include <atspi/atspi.h>

#include <string>

namespace desktoptest {

// The whole text of a node with a text interface ("" without one).
std::string TextOf(AtspiAccessible* node);
// The tree below `root` as "role 'name'" lines, indented, with "(not showing)" where so.
std::string TreeText(AtspiAccessible* root);

}  // namespace desktoptest
