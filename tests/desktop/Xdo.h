// Real input on the private X server, as a person gives it: xdotool moves the
// pointer and clicks, presses keys and types into the focused window.
#pragma once

#include <string>
#include <vector>

namespace desktoptest {

// The path of xdotool, "" when it is missing.
const std::string& XdotoolPath();

// Runs xdotool with these arguments and waits; its output without the last
// newline, and in `ok` whether it succeeded.
std::string Xdotool(const std::vector<std::string>& args, bool* ok = nullptr);

// A left click at a point of the screen.
void ClickAt(int x, int y);
// Keys by their X names ("Tab", "space", "Return", "ctrl+a"), one after the other.
void PressKeys(const std::vector<std::string>& keys);
// Text typed into whatever has the keyboard focus.
void TypeText(const std::string& text);
// The top-level X window that has the keyboard focus, 0 when none does.
unsigned long FocusedWindow();
// The visible top-level X window of that exact title, 0 when there is none.
unsigned long WindowNamed(const std::string& title);
// Gives a window the keyboard focus, as a window manager does when one is clicked.
void FocusWindow(unsigned long window);

}  // namespace desktoptest
