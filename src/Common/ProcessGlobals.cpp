#include "Common/ProcessGlobals.h"

#include "Common/StartupConfig.h"
#include "platform/log.h"
#include "platform/window_raise.h"

ProcessGlobals& GetProcessGlobals() {
  static ProcessGlobals globals;
  return globals;
}

std::string InstanceMutexName(int downloaderId) {
  return "ZKT_Downloader_" + std::to_string(downloaderId);
}

std::string MainWindowClassName(const std::string& downloaderIdText) {
  return "CW_UI_Frame_" + downloaderIdText;
}

bool IsKitDownloader(int downloaderId) {
  return downloaderId == 277 || downloaderId == 278;
}

bool EnsureSingleInstance(const StartupConfig& config, bool autoRun) {
  ProcessGlobals& globals = GetProcessGlobals();
  globals.downloaderIdText = config.downloaderIdText;
  globals.downloaderId = config.downloaderId;
  if (!globals.downloaderIdText.empty()) {
    globals.mainWindowClassName = MainWindowClassName(globals.downloaderIdText);
    if (cwplat::RequestRaise(globals.mainWindowClassName) && !autoRun) return false;
  }
  const auto result = globals.instanceLock.Acquire(InstanceMutexName(globals.downloaderId));
  if (result == cwplat::CInstanceLock::Result::AlreadyExists && !autoRun) return false;
  if (result == cwplat::CInstanceLock::Result::Error) {
    CWLOG << " Instance lock " << InstanceMutexName(globals.downloaderId) << " could not be created";
  }
  return true;
}
