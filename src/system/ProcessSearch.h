// Finding (and ending) the processes that run a given executable: the install
// flow before it replaces a product, the download engine before it writes
// over a file that may be running.
#pragma once

#include <string>

namespace FuntionImpl {

// Finds processes that run the executable at fullPath and, with kill, ends
// them. With alsoTmp, processes named like it with "tmp" for its last three
// letters (setup.exe and its setup.tmp companion) whose executable path holds
// ".tmp" count too, and every match is handled; without it the first match
// ends the search. Returns the last process id found, or -1. The own process
// is never touched.
int FindProcessByFullPath(const std::string& fullPath, bool kill, bool alsoTmp);

}  // namespace FuntionImpl
