// Starting the installed product and splitting its start command.
#pragma once

#include <string>
#include <vector>

namespace FuntionImpl {

// Starts the installed product. `command` is its executable path in quotation
// marks. Mode 0 hands the file to the desktop's opener; any other mode starts
// it directly, with arguments that may follow the path, in the folder of the
// executable. 0 on success; -1 after logging and a "StartWindowError" user
// event labelled with the error number.
int StartTargetMainExe(const std::string& command, int mode);

// The argument vector of a start command: the first item runs up to the
// closing quotation mark when the text starts with one (the last mark before
// a blank or the end that leaves an existing file's path, else the first
// mark), else up to the first blank; the rest is split at runs of blanks and tabs, quotation marks there
// being ordinary characters. Nothing is ever handed to a shell.
std::vector<std::string> SplitStartCommand(const std::string& command);

// Starts the program at `path` as StartTargetMainExe does, but with no
// command text: the program gets no arguments at all, so nothing in the path
// can turn into one.
int StartProductProgram(const std::string& path, int mode);

}  // namespace FuntionImpl
