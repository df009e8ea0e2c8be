// The start-up steps the interactive and the unattended run take alike once
// this copy holds the instance lock.
#pragma once

#include "StartupConfig.h"

#include <functional>

class CSingleUserLog;

struct StartupStepServices {
  // Shows MSG_NOTSUPPORTSYSTEM the run's way (a message box, or the terminal).
  std::function<void()> showNotSupported;
  // Whether the system runs 64-bit programs; IsWow64 when empty.
  std::function<bool()> is64BitSystem;
};

// Sets the kit flag, hands the user values to the user-event log, refuses a
// 32-bit system when the product does not support one, and registers the
// executable with the firewall. False when the system was refused (the event
// is sent and the refusal shown): the run ends there.
bool RunSharedStartupSteps(const StartupConfig& config, CSingleUserLog& userLog, const StartupStepServices& services);
