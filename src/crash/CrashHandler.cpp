#include "CrashHandler.h"

#include "LocalSettings.h"
#include "ProcessGlobals.h"
#include "SingleUserLog.h"
#include "SystemInfo.h"
#include "platform/log.h"
#include "platform/paths.h"

#include <mutex>

namespace FuntionImpl {
namespace {

std::mutex g_refreshMutex;  // the last refresh wins, not an interleaving of two
bool g_uploadSuppressed = false;

const std::string& OwnExecutablePath() {
  static const std::string path = cwplat::GetModuleFileName();
  return path;
}

const std::string& OwnFileVersion() {
  static const std::string version = GetFileVersionText(OwnExecutablePath());
  return version;
}

// What is known without the log or the process globals.
CrashHandlerFacts BaseFacts() {
  CrashHandlerFacts facts;
  facts.tempFolder = cwplat::GetTempFolder();
  facts.fileVersion = OwnFileVersion();
  facts.executablePath = OwnExecutablePath();
  return facts;
}

void Publish(const CrashHandlerFacts& facts) {
  std::lock_guard<std::mutex> lock(g_refreshMutex);
  CrashHandlerFacts withFlag = facts;
  withFlag.uploadSuppressed = g_uploadSuppressed;
  if (!cwplat::SetCrashContext(MakeCrashContext(withFlag))) {
    CWLOG << " Crash handler keeps its previous dump settings (a path is too long, or a crash is under way)";
  }
}

}  // namespace

std::string DumpPathBesideLog(const std::string& logFilePath) {
  return logFilePath.empty() ? std::string() : logFilePath + ".dmp";
}

std::string FallbackDumpPrefix(const std::string& tempFolder, int downloaderId, const std::string& fileVersion) {
  return tempFolder + std::to_string(downloaderId) + "_" + fileVersion + "_";
}

bool IsDumpUploadAllowed(int downloaderConfig) { return downloaderConfig == 1 || downloaderConfig == 2; }

cwplat::CrashContext MakeCrashContext(const CrashHandlerFacts& facts) {
  cwplat::CrashContext context;
  context.dumpPath = DumpPathBesideLog(facts.logFilePath);
  context.fallbackPrefix = FallbackDumpPrefix(facts.tempFolder, facts.downloaderId, facts.fileVersion);
  context.startUpload = !facts.uploadSuppressed && IsDumpUploadAllowed(facts.downloaderConfig);
  context.executablePath = facts.executablePath;
  context.instanceLockFd = facts.instanceLockFd;
  context.headerLines = "version: " + facts.fileVersion + "\ndownloader id: " + std::to_string(facts.downloaderId) +
                        "\ndownloader config: " + std::to_string(facts.downloaderConfig) + "\n";
  return context;
}

void InstallUnhandledExceptionHandler() {
  if (!cwplat::InstallCrashHandler()) CWLOG << " Crash handler could not be installed completely";
  Publish(BaseFacts());
}

void RefreshCrashHandler() {
  CrashHandlerFacts facts = BaseFacts();
  const CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  facts.logFilePath = userLog.GetLogFilePath();
  // A log folder that could not be made holds no dump either: use the fallback.
  if (!facts.logFilePath.empty() && !cwplat::DirectoryExists(cwplat::SplitPath(facts.logFilePath).folder)) {
    facts.logFilePath.clear();
  }
  facts.downloaderConfig = userLog.GetDownloaderConfig();
  const ProcessGlobals& globals = GetProcessGlobals();
  facts.downloaderId = globals.downloaderId;
  facts.instanceLockFd = globals.instanceLock.NativeHandleForCrash();
  Publish(facts);
}

void SuppressCrashUpload() {
  {
    std::lock_guard<std::mutex> lock(g_refreshMutex);
    g_uploadSuppressed = true;
  }
  RefreshCrashHandler();
}

void RunCrashTest() {
  CWLOG << " CrashTest: provoking a crash";
  cwplat::ProvokeCrash(cwplat::CrashKind::InvalidWrite);
}

void RunCrashTestIfSet() {
  if (IsCrashTest()) RunCrashTest();
}

}  // namespace FuntionImpl
