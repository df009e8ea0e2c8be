// Verification of the downloaded package, the silent run and the finish.
#include "CConfigure.h"
#include "DownLoadImpl.h"
#include "EmbeddedLabels.h"
#include "ErrorReport.h"
#include "InstallThread.h"
#include "LocalSettings.h"
#include "ProcessGlobals.h"
#include "SignatureCheck.h"
#include "SilentInstall.h"
#include "SingleUserLog.h"
#include "SourceSelection.h"
#include "platform/file_io.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/sync.h"
#include "platform/tick.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

namespace {

// Words of the "product_url_" labels, by interface language.
constexpr const char* kProductUrlWords[kEnumLanguageCount] = {
    "english", "japanese", "chinesesimp", "spanish", "german",     "french", "russian",
    "portuguese", "arabic", "italiano",  "chinesetrad", "korean", "nederlands", "indonesian",
    "turkish", "hindi", "thai", "malay", "swedish", "czech"};

int SecondsSince(std::uint64_t tick) { return static_cast<int>((cwplat::GetTickCount64() - tick) / 1000); }

FuntionImpl::EnumErrorReport VerificationReport(bool md5Good, bool signatureGood) {
  if (!md5Good && !signatureGood) return FuntionImpl::EnumErrorReport::Md5HashCheckFail;
  return md5Good ? FuntionImpl::EnumErrorReport::HashCheckFail : FuntionImpl::EnumErrorReport::Md5CheckFail;
}

}  // namespace

bool CInstallThread::verifyPackage() {
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  CConfigure& configure = m_window.configure();
  m_window.setStopCreep(0);
  m_window.postMessage(WM_VERIFYSTART, 0);
  const std::uint64_t checkTick = cwplat::GetTickCount64();
  userLog.AddUserLog_simple("Download", "Md5CheckStart", "", false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Md5Check", 0, "Download", "CoreFuncStart", "null", false, false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Md5Check", 1, "Download", "Md5CheckStart", "null", false, false);

  // An embedded configuration names no digest to compare with.
  const bool md5Good = m_embeddedConfig || CDownLoadImpl::checkMD5(m_files.installerPath, configure.getMd5(),
                                                                   configure.getMd5Extra(),
                                                                   configure.getSoftwareVersion()) == 1;
  CWLOG << " after md5 ";
  const bool signatureGood = FuntionImpl::VerifyEmbeddedSignature(m_files.installerPath);

  const std::string seconds = std::to_string(SecondsSince(checkTick));
  userLog.AddUserLog_simple("Other", "MMD5CheckTime", seconds, false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Md5Check", 2, "Download", "Md5CheckFinsh", "null", false, false);
  userLog.AddUserLog_simple("Other", "MD5CheckTime", seconds, false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Md5Check", 0, "Download", "CoreFuncEnd", "null", false, false);
  userLog.AddUserLog_simple("Download", "Md5CheckFinsh", "", false);

  if (!md5Good || !signatureGood) {
    FuntionImpl::ErrorReportValues values;
    values.pid = m_window.embeddedDownloaderId();
    values.configSource = configure.getConfigSource();
    values.queryUrl = configure.getQueryUrl();
    values.downloadUrl = m_url;
    FuntionImpl::SendErrorReport(VerificationReport(md5Good, signatureGood), values);
    if (!signatureGood) {
      m_window.setStopCreep(1);
      m_window.postMessage(WM_SIGNFAIL, 0);
      return false;
    }
  }
  m_window.setStopCreep(1);
  userLog.AddUserLog_simple("Download", "4.DownFinsh", firstOrRetry(), false);
  return true;
}

bool CInstallThread::installAndFinish() {
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  CConfigure& configure = m_window.configure();
  // Only the verified package is made runnable.
  if (!cwplat::MakeExecutable(m_files.installerPath)) CWLOG << " Cannot make " << m_files.installerPath << " executable";
  const std::uint64_t installTick = cwplat::GetTickCount64();
  if (RunSilentInstaller(m_window, m_files.installerPath) != SilentInstallResult::Finished) return false;

  const int progress = m_window.progressValue();
  CWLOG << " install Finished, progress: " << progress;
  if (progress >= 99) m_window.progressFinish100().Set();
  userLog.AddUserLog_simple("Download", "6.ProgramFinsh", firstOrRetry(), false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Installing", 0, "Download", "CoreFuncEnd", "null", false, false);
  userLog.AddUserLog_simple("Other", "InstallTime", std::to_string(SecondsSince(installTick)), false);
  const std::string version = configure.getSoftwareVersion();
  if (!version.empty()) userLog.AddUserLog_simple("Other", "ProductVersion", version, false);

  openProductPage();
  m_window.writeLanguageBack();
  m_window.progressFinish100().Wait(cwplat::kInfinite);
  m_window.postMessage(WM_INSTALLFINISH, 0);

  const double minutes =
      std::floor(static_cast<double>(cwplat::GetTickCount64() - m_startTick) / 60000.0 * 100.0) / 100.0;
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", minutes);
  CWLOG << " Install Totally Take " << text << " minutes And Send To Server";

  FuntionImpl::ClearAPPData(m_cachedInstaller);
  if (FuntionImpl::IsAutoRun()) restartForAutoRun();
  if (m_window.needStartFlag() == 1) m_window.clickStartApp();
  return true;
}

void CInstallThread::openProductPage() {
  const int language = m_window.currentLanguage();
  if (language < 0 || language >= kEnumLanguageCount) return;
  const std::string url = m_window.embeddedLabels().text(std::string("product_url_") + kProductUrlWords[language]);
  if (url.empty()) return;
  CWLOG << " Open Url: " << url;
  if (m_services.openUrl) m_services.openUrl(url);
}

void CInstallThread::restartForAutoRun() {
  std::this_thread::sleep_for(std::chrono::seconds(2));
  CWLOG << " Force Exit 1";
  if (cwplat::FileExists(m_files.installerPath)) cwplat::RemoveFile(m_files.installerPath);
  CWLOG << " Force Exit 2";
  cwplat::RemoveFile(m_files.taskFile);
  CWLOG << " Force Exit 3";
  cwplat::RemoveFile(m_files.completionMarker);
  CWLOG << " Force Exit 4";
  GetProcessGlobals().instanceLock.Release();
  CWLOG << " Force Exit 5";
  const std::string self = cwplat::GetModuleFileName();
  CWLOG << " Force Exit 6";
  const RestartResult restart = m_services.restartSelf(self);
  CWLOG << " Force Exit 7 error code = " << restart.processId << ", " << restart.error;
  m_window.closeWindow();
  CWLOG << " Force Exit 8";
}
