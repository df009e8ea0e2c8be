// Where things live on this machine: the own executable, the command line,
// and the per-user folders that stand in for APPDATA, the temporary folder,
// Program Files and the runtime folder.
#pragma once

#include <string>

namespace cwplat {

// Full path of the running executable ("" when it cannot be read).
std::string GetModuleFileName();
// Folder of the running executable, with a trailing '/'.
std::string GetModuleDirectory();

// The process command line: the arguments after the program name joined by
// single blanks, as the program received them. Set once by main().
void SetCommandLine(int argc, char** argv);
const std::string& GetCommandLine();

// Per-user folders, without trailing '/'. Each honours its XDG variable when it
// holds an absolute path, else falls back to the XDG default under $HOME.
std::string GetAppDataFolder();      // $XDG_DATA_HOME or ~/.local/share
std::string GetCacheFolder();        // $XDG_CACHE_HOME or ~/.cache
std::string GetApplicationsFolder(); // $CW_APPLICATIONS_FOLDER, else ~/.local/opt, or /opt for root
std::string GetRuntimeFolder();      // $XDG_RUNTIME_DIR, else $TMPDIR/cw-<uid>
std::string GetTempFolder();         // $TMPDIR or /tmp, with a trailing '/'

// mkdir -p. True when the folder exists afterwards.
bool CreateDirectories(const std::string& path);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// Accepts either separator; returns the parts of a path.
struct PathParts {
  std::string folder;   // with trailing separator, "" when none
  std::string name;     // file name without extension
  std::string ext;      // from the last '.', "" when none
};
PathParts SplitPath(const std::string& path);

// Local wall-clock time with milliseconds (the SYSTEMTIME the program formats).
struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};
LocalTime GetLocalTime();

}  // namespace cwplat
