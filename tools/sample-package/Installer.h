// Lays the sample product down in the chosen folder and records it as
// installed: Murmelon.exe, settings.ini, the data file, the uninstall entry.
#pragma once

#include "SetupArgs.h"
#include "SetupLog.h"

#include <string>

namespace sample {

// Each step is logged. False with a message at the first step that fails;
// files already written stay (as with an interrupted Inno Setup run).
bool InstallProduct(const SetupOptions& options, SetupLog& log, std::string& error);

}  // namespace sample
