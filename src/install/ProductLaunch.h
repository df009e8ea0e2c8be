// Starting the installed product from the finished install: where its main
// executable is, and the direct start with its events.
#pragma once

#include <string>

class CConfigure;

// The install folder (blanks trimmed) + "/" + the configured process name.
// When no file is there, the subfolders are searched breadth-first in name
// order (bounded, symbolic links not followed) and the first hit wins. Empty
// when the configuration is not filled, the process name is not a plain file
// name, or the path (links followed) leads out of the install folder.
std::string ProductExecutablePath(const CConfigure& configure, const std::string& installDirectory);

// Starts the product at once (no launch window): the "9.StartWindow" events,
// then the start in the given mode, with no arguments. False, with the DL019
// event, when there is no product path or the start failed.
bool LaunchProductDirectly(const CConfigure& configure, const std::string& installDirectory, int mode);
