// The unattended run: installs without a person, from a terminal or a script.
// Its switches start with "--" and are read from the argument vector before
// the program's own command-line dispatch, so a folder name can never be
// taken for one of that dispatch's words.
#pragma once

#include "EnumLanguage.h"

#include <optional>
#include <string>
#include <vector>

// Exit codes of the unattended run.
enum EnumUnattendedExit : int {
  UNATTENDED_INSTALLED = 0,         // installed (or a package that is not a program downloaded)
  UNATTENDED_USAGE = 1,             // bad command line, or the licence not accepted
  UNATTENDED_DOWNLOAD_FAILED = 2,   // no URL, or every download attempt failed
  UNATTENDED_SIGNATURE_FAILED = 3,  // the package's signature did not verify
  UNATTENDED_CHECKS_FAILED = 4,     // product running, no disk space, folder not usable
  UNATTENDED_INSTALL_TIMEOUT = 5,   // the installer did not end in time
  UNATTENDED_ALREADY_RUNNING = 6,   // another copy of this downloader runs
  UNATTENDED_SYSTEM_NOT_SUPPORTED = 7,  // a 32-bit system, and the product supports none
  EXIT_NO_DISPLAY = 8,                  // a run with a window, but no display to show it on
};

struct UnattendedOptions {
  bool help = false;
  std::string installPath;               // --dir; empty: the default folder
  std::optional<EnumLanguage> language;  // --lang; empty: the system's language
  bool acceptLicense = false;            // --accept-license
  std::string error;                     // why the arguments were refused
};

// Nothing when the arguments do not ask for the unattended run or help
// (argv[0] excluded). Otherwise the options, with `error` set when they are bad.
std::optional<UnattendedOptions> ParseUnattendedArgs(const std::vector<std::string>& args);

// The --help text, with the exit codes.
std::string UnattendedUsage(const std::string& programName);
