// The "debug" console: a GUI process on Windows has none until it asks for one.
#pragma once

namespace cwplat {

// Routes standard output to the controlling terminal when it is not already a
// terminal (started from a launcher with output discarded). True when standard
// output is a terminal afterwards.
bool AttachDebugConsole();

// True when standard output is a terminal (progress can redraw one line).
bool StandardOutputIsTerminal();

}  // namespace cwplat
