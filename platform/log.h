// The program's one logger: easylogging++ logger "default" at level Info.
// Every line names the calling function's signature and source line, so that
// a log read months later still points at the code that wrote it.
#pragma once

#include <easylogging++.h>

#include <string>

// Usage: CWLOG << " Wait exit 1";  (message texts start with their blank)
#define CWLOG LOG(INFO) << __PRETTY_FUNCTION__ << ":" << __LINE__

namespace cwlog {

inline constexpr const char* kFormat = "%datetime--[Thread](%thread) %msg";

// Standard output only, with the program's format. Safe to call again.
void ConfigureConsoleOnly();

// Standard output and the given file. When the file cannot be opened for
// appending, logging stays on standard output and the reason is logged;
// returns false in that case.
bool ConfigureWithFile(const std::string& filePath);
// Whether log lines also go to standard output (on by default; the terminal
// run turns it off so its progress line stays clean). When no log file can be
// opened, standard output gets the lines regardless.
void SetStandardOutputEcho(bool echo);

// The file the logger currently writes to, empty when none.
std::string CurrentLogFile();

}  // namespace cwlog
