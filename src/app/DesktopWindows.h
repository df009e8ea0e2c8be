// The windows of an interactive run on a desktop: the display opened once,
// the toolkit's fonts loaded from the archive, and the message box shown
// before any main window exists.
#pragma once

#include "EnumLanguage.h"
#include "EnumMsgType.h"

// Opens the display and loads the archive's fonts, once; false when there is
// no display to show windows on.
bool OpenDesktop();
// The installer's own message box when a display opens; without one its text
// goes to standard error.
void ShowStartupMessageBox(EnumMsgType type, EnumLanguage language);

// The main window on the desktop and its message loop, until it closes.
// Without a display one line says so and that --unattended installs without
// a window; false then.
bool RunMainWindow();
// A second copy asked: the running window comes forward (any thread).
void RaiseMainWindow();
// After the loop: the window's worker threads have ended.
void WaitForMainWindowThreads();
