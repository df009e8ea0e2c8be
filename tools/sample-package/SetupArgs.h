// The installer's command line, in the Inno Setup style the downloader uses:
//   /VERYSILENT /SP- /NORESTART "/DIR=<folder>/" /LANG=<code> "/LOG=<file>" /sptrack <value>
// Each switch is one argument; names compare without case; unknown switches
// are ignored (and reported), the last of a repeated switch wins.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sample {

struct SetupOptions {
  std::string dir;                     // absolute, without trailing '/' ("/" stays)
  std::string language = "en";         // letters, digits, '-', '_'; at most 32
  std::string tracking;                // the argument after /sptrack; "" when absent
  std::optional<std::string> logPath;  // absolute; nothing: no log
  std::vector<std::string> ignored;    // arguments not understood
};

// False with a message for the user when the command line cannot be used:
// /DIR= missing, empty or relative, a /LANG= code or /LOG= path that is not
// valid, a tracking value with control characters or longer than 1024 bytes.
bool ParseSetupArgs(const std::vector<std::string>& args, SetupOptions& out, std::string& error);

}  // namespace sample
