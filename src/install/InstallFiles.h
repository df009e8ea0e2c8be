// The local files of one install: the downloaded installer, its task file and
// its completion marker, all named after the installer.
#pragma once

#include <string>

struct InstallFiles {
  std::string installerName;  // "<name>_<version>.exe" (or ".apk")
  std::string installerPath;
  std::string taskFile;          // installerPath + ".xml"
  std::string completionMarker;  // installerPath + ".db"
};

// The file name from the embedded extra download URL: the text after its last
// "/", cut at its last ".", then "_" + version and ".exe" when that URL ends
// in ".exe", else ".apk".
std::string InstallerFileName(const std::string& embeddedExtraUrl, const std::string& softwareVersion);

// Programs are kept in the download folder; other packages go straight to the
// install folder. Both folders are given without a trailing separator.
InstallFiles MakeInstallFiles(const std::string& embeddedExtraUrl, const std::string& configuredExtraUrl,
                              const std::string& softwareVersion, const std::string& downloadFolder,
                              const std::string& installFolder);

bool EndsWithExe(const std::string& text);

// A completion marker left by an earlier run keeps the installer and its task
// file only when it names this version and one of the expected MD5 values
// (compared in lower case); otherwise both go. The marker itself always goes.
// Returns true when the files were kept.
bool ReconcileCompletionMarker(const InstallFiles& files, const std::string& softwareVersion,
                               const std::string& md5, const std::string& md5Extra);
