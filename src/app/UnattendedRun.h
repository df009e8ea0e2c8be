// The whole install without a window: checks, download, verification, silent
// run and product start, with the terminal as the window.
#pragma once

#include "StartupConfig.h"
#include "UnattendedOptions.h"

// Returns the exit code (EnumUnattendedExit).
int RunUnattended(const UnattendedOptions& options, const StartupConfig& config);
