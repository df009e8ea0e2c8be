// The texts the unattended run prints where the window would show a message box.
#pragma once

#include "EnumMsgType.h"

const char* ConsoleMessageText(EnumMsgType type);
