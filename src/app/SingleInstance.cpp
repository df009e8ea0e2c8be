#include "SingleInstance.h"

#include "ProcessGlobals.h"
#include "StartupConfig.h"
#include "platform/log.h"
#include "platform/window_raise.h"

bool EnsureSingleInstance(const StartupConfig& config, bool autoRun) {
  ProcessGlobals& globals = GetProcessGlobals();
  globals.downloaderIdText = config.downloaderIdText;
  globals.downloaderId = config.downloaderId;
  if (!globals.downloaderIdText.empty()) {
    globals.mainWindowClassName = MainWindowClassName(globals.downloaderIdText);
    // With AutoRun a second copy runs next to the first: it must not even ask
    // the first to come forward.
    if (!autoRun && cwplat::RequestRaise(globals.mainWindowClassName)) return false;
  }
  const auto result = globals.instanceLock.Acquire(InstanceMutexName(globals.downloaderId));
  if (result == cwplat::CInstanceLock::Result::AlreadyExists && !autoRun) return false;
  if (result == cwplat::CInstanceLock::Result::Error) {
    CWLOG << " Instance lock " << InstanceMutexName(globals.downloaderId) << " could not be created";
  }
  return true;
}
