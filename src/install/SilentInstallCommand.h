// The command line of the silent installer run: the text the log shows and
// the argument vector the package really receives. The package is started
// without a shell, so the vector carries no quotation marks and no folder
// name can smuggle in a switch.
#pragma once

#include "platform/paths.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace FuntionImpl {

// The installer's command line has always lived in a buffer of 1024
// characters: a longer one is refused rather than cut.
inline constexpr std::size_t kMaxInstallerCommandChars = 1023;

struct InstallerCommandInput {
  std::string installerPath;
  std::string softwareName;
  std::string installFolder;  // a trailing '/' is tolerated
  std::string logFolder;
  std::string ownExePath;  // the running executable: source of the tracking value
  int languageIndex = 0;   // EnumLanguage value
  int downloaderId = 0;
  cwplat::LocalTime time{};
};

struct InstallerCommand {
  // " /VERYSILENT /SP- /NORESTART /DIR="<folder>/" /LANG=<code> /LOG="<log>" /sptrack <value>"
  std::string text;
  // installer path, /VERYSILENT, /SP-, /NORESTART, /DIR=<folder>/, /LANG=<code>,
  // /LOG=<log>, /sptrack, <value>
  std::vector<std::string> argv;
};

// The /LANG= value: the twenty interface languages, "jp" instead of "ja" for
// the downloader ids that ask for it, "en" for anything out of range.
std::string InstallerLanguageCode(int languageIndex, int downloaderId);

// The own executable's file name when it holds '_', else "null".
std::string InstallerTrackingValue(const std::string& ownExePath);

// "<software name>_Setup_YYYYMMDDhhmmss.log"; a '/' in the name becomes '_'
// so that the log stays in the log folder.
std::string InstallerLogName(const std::string& softwareName, const cwplat::LocalTime& time);

// The command line, or nothing (the reason logged) when its text would be
// longer than kMaxInstallerCommandChars characters.
std::optional<InstallerCommand> BuildInstallerCommand(const InstallerCommandInput& input);

}  // namespace FuntionImpl
