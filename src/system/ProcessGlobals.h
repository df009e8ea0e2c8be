// Values start-up sets once for the whole process and other parts read: the
// downloader id, the main window class name, the kit flag and the instance lock
// (released at shutdown, by the crash handler and by the auto-run restart).
#pragma once

#include "platform/instance_lock.h"

#include <string>

struct ProcessGlobals {
  int downloaderId = 0;
  std::string downloaderIdText;
  std::string mainWindowClassName;  // "CW_UI_Frame_" + downloader id text
  bool kitFlag = false;             // downloader id 277 or 278
  cwplat::CInstanceLock instanceLock;
};

ProcessGlobals& GetProcessGlobals();

// "ZKT_Downloader_%d" for the integer downloader id.
std::string InstanceMutexName(int downloaderId);
std::string MainWindowClassName(const std::string& downloaderIdText);
bool IsKitDownloader(int downloaderId);
