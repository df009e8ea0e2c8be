// Handing a URL or a file to the desktop: its opener (xdg-open) and its file
// manager. Real only inside a graphical session; without one the call is
// logged and fails. Errors are Windows error numbers.
#pragma once

#include <string>

namespace cwplat {

inline constexpr int kErrorNotSupported = 50;     // no desktop session
inline constexpr int kErrorNoAssociation = 1155;  // no opener program

// True when DISPLAY or WAYLAND_DISPLAY is set and not empty.
bool HasDesktopSession();

// Opens a URL or a file with xdg-open. 0 when the opener took it (it ended
// with status 0, or is still busy after a short wait), else the error number:
// kErrorNotSupported without a desktop session, kErrorNoAssociation when
// xdg-open is not on $PATH or finds no application, kErrorFileNotFound when
// it reports a missing file, kErrorGenFailure when it fails otherwise.
int ShellOpen(const std::string& target);

// Shows a file selected in the file manager (org.freedesktop.FileManager1
// ShowItems through dbus-send or gdbus); when no file manager answers, opens
// the file's folder with ShellOpen. Same results as ShellOpen.
int ShowInFileManager(const std::string& path);

}  // namespace cwplat
