#include "ProcessGlobals.h"

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
