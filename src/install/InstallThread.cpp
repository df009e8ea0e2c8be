#include "InstallThread.h"

#include "CConfigure.h"
#include "CLibcurlTool.h"
#include "CdnUrl.h"
#include "CrashHandler.h"
#include "DownLoadImpl.h"
#include "DownloadHost.h"
#include "EmbeddedLabels.h"
#include "ProxyConfig.h"
#include "SingleUserLog.h"
#include "SourceSelection.h"
#include "SystemInfo.h"
#include "platform/log.h"
#include "platform/process_spawn.h"
#include "platform/shell_open.h"
#include "platform/tick.h"

#include <cmath>
#include <cstdio>

namespace {

CInstallThread::Services DefaultServices() {
  CInstallThread::Services services;
  services.download = [](const std::string& url, const std::string& path, std::string& cdnReport) {
    return CDownLoadImpl::SuperDownloadFile(url, path, cdnReport, true);
  };
  services.openUrl = [](const std::string& url) { return cwplat::ShellOpen(url) == 0; };
  services.restartSelf = [](const std::string& self) {
    cwplat::SpawnedProcess process;
    CInstallThread::RestartResult result;
    result.error = process.Start({self});
    if (process.started()) result.processId = process.pid();
    process.Release();  // the new copy runs on after this one ends
    return result;
  };
  services.osVersion = [] {
    float version = 0.0f;
    FuntionImpl::GetOSName(version);
    return version;
  };
  return services;
}

}  // namespace

CInstallThread::CInstallThread(IInstallWindow& window) : CInstallThread(window, Services{}) {}

CInstallThread::CInstallThread(IInstallWindow& window, Services services)
    : m_window(window), m_services(std::move(services)) {
  Services defaults = DefaultServices();
  if (!m_services.download) m_services.download = defaults.download;
  if (!m_services.osVersion) m_services.osVersion = defaults.osVersion;
  if (!m_services.openUrl) m_services.openUrl = defaults.openUrl;
  if (!m_services.restartSelf) m_services.restartSelf = defaults.restartSelf;
}

const char* CInstallThread::firstOrRetry() const { return m_window.isRetry() ? "Retry" : "First"; }

unsigned CInstallThread::InstallThreadFunc() {
  prepareConfiguration();
  if (!chooseAddress()) return kFailed;
  prepareLocalFiles();
  const EnumErrorCode result = downloadAttempts();
  if (m_window.cancelled()) {
    CWLOG << " The window was closed: nothing is verified or installed";
    return kFailed;
  }
  if (!reportDownloadOutcome(result)) return kFailed;
  if (!EndsWithExe(m_window.configure().getExtraDownloadUrl())) {
    m_window.postMessage(WM_DOWNLOADSUCCEED, 0);
    CWLOG << "APP DownloaderSucceed";
    return kNotAProgram;
  }
  if (!verifyPackage()) return kFailed;
  return installAndFinish() ? 0 : kFailed;
}

void CInstallThread::prepareConfiguration() {
  m_startTick = cwplat::GetTickCount64();
  m_window.setInstallStarted();
  CConfigure& configure = m_window.configure();
  if (configure.getState() != 2) {
    if (configure.getDownloadInfoXml(true, false) != 1) configure.getDownloadInfoXml(true, true);
    configure.parseDownloadInfo();
    if (configure.getState() != 2) configure.loadFromResource(m_window.embeddedLabels(), true);
  }
  if (configure.getState() == 2) configure.printContent();
  m_embeddedConfig = configure.getConfigSource() == 2;

  // Upload and crash settings follow the configuration from now on.
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  userLog.SetDownloaderConfig(configure.getDownloaderConfig());
  FuntionImpl::RefreshCrashHandler();
  userLog.AddUserLog_funnelPair("Download", "DownloadConfigReady", "default_config", m_embeddedConfig ? "1" : "0",
                                false, false);
}

bool CInstallThread::chooseAddress() {
  CConfigure& configure = m_window.configure();
  std::string url = FuntionImpl::checkRemotePath(configure.getRemotePaths(), 1, configure.getSoftwareName());
  m_sourceChosenTick = cwplat::GetTickCount64();

  if (m_services.osVersion() < 10.0f && url.find("_qmwin.exe") != std::string::npos) {
    char headers[CLibcurlTool::kHeaderBufferSize] = {};
    long status = 0;
    CLibcurlTool probe;
    probe.init();  // a failure shows as CURLE_FAILED_INIT in the line below
    const CURLcode result = probe.httpGet(url, headers, status);
    CWLOG << " Curl check win78 link, http code is " << status << ", curl code is " << static_cast<int>(result);
    if (status == 404) {
      const CEmbeddedLabels& labels = m_window.embeddedLabels();
      std::string replacement = labels.text("Download_url");
      if (isCdnUrl(replacement)) {
        replacement = labels.text("Extra_download_url");
        if (isCdnUrl(replacement)) replacement = url;
      }
      if (replacement != url) {
        url = replacement;
        CWLOG << " UrlUsed change to: " << url;
      }
    }
  }

  m_url = url;
  m_window.setAdviceUrl(url);
  if (url.size() < 5) {
    CWLOG << "url is empty";
    configure.setState(1);
    CSingleUserLog::GetInstance().AddUserLog_simple("Other", "FlowError", "DL023", false);
    m_window.postMessage(WM_DOWNLOADFAIL, 14);
    return false;
  }
  const double taken = std::floor(static_cast<double>(cwplat::GetTickCount64() - m_startTick) * 100.0) / 100.0;
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", taken);
  CWLOG << " Speed-Test Totally Take " << text << " ms";
  FuntionImpl::GetIEProxyConfig();
  return true;
}

void CInstallThread::prepareLocalFiles() {
  CConfigure& configure = m_window.configure();
  const std::string downloadFolder = CSingleUserLog::GetInstance().GetDownloadFolder();
  const std::string version = configure.getSoftwareVersion();
  const std::string embeddedExtra = m_window.embeddedLabels().text("Extra_download_url");
  m_files = MakeInstallFiles(embeddedExtra, configure.getExtraDownloadUrl(), version, downloadFolder,
                             m_window.installDirectory());
  ReconcileCompletionMarker(m_files, version, configure.getMd5(), configure.getMd5Extra());
  m_cachedInstaller = downloadFolder + "/" + m_files.installerName;

  if (m_embeddedConfig) {
    CWLOG << " Configure Load From File, clearAppData Before Download! ";
    FuntionImpl::ClearAPPData(m_cachedInstaller);
  }
  m_addressLabel = classifyDownloadHost(m_url) == 12 ? "Extra_download_url" : "Download_url";

  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  userLog.AddUserLog_simple("Download", "3.Downloading...", firstOrRetry(), false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Downloading", 2, "Download", "Downloading", "null", false, false);
}

const char* CInstallThread::FlowErrorCode(EnumErrorCode result) {
  switch (static_cast<int>(result)) {
    case 9: return "DL010";
    case 10: return "DL011";
    case 6: return "DL012";
    case 13: return "DL022";
    case 7: return "DL027";
    case 8: return "DL028";
    case 11: return "DL029";
    case 12: return "DL030";
    case 15: return "DL031";
    default: return "DL017";
  }
}
