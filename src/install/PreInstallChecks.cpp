#include "PreInstallChecks.h"

#include "CConfigure.h"
#include "EmbeddedLabels.h"
#include "InstallWindow.h"
#include "SingleUserLog.h"
#include "platform/log.h"

CPreInstallChecks::CPreInstallChecks(IInstallWindow& window, PreInstallSources sources)
    : m_window(window), m_sources(std::move(sources)) {}

std::vector<cwplat::ProcessEntry> CPreInstallChecks::Processes() const {
  return m_sources.processes ? m_sources.processes() : cwplat::SnapshotProcesses();
}

std::string CPreInstallChecks::DownloadFolder() const {
  return m_sources.downloadFolder ? m_sources.downloadFolder() : CSingleUserLog::GetInstance().GetDownloadFolder();
}

std::string CPreInstallChecks::ProductFolderName() const {
  CConfigure& configure = m_window.configure();
  // A remote name that was refused (not a plain file name) is empty: our own
  // embedded name stands in, so the product still gets a folder of its own.
  const std::string configured = configure.getState() == 2 ? configure.getSoftwareName() : std::string();
  return configured.empty() ? m_window.embeddedLabels().text("Software_name") : configured;
}

int CPreInstallChecks::RunChecks() {
  if (!AppIsRunning()) {
    CSingleUserLog::GetInstance().AddUserLog_simple("Other", "FlowError", "DL024", false);
    CWLOG << " app is running";
    return -1;
  }
  if (!PrepareInstallFolder()) return -1;
  StopProductService();
  return 0;
}

bool CPreInstallChecks::AppIsRunning() {
  const std::vector<cwplat::ProcessEntry> processes = Processes();
  // This process is always listed, so an empty list means /proc could not be read.
  if (processes.empty()) {
    CWLOG << " Process list cannot be read";
    return false;
  }
  const std::string name = m_window.configure().getProcessName();
  if (name.empty()) return true;
  for (const cwplat::ProcessEntry& p : processes) {
    if (p.exeName == name) {
      CWLOG << " " << p.exeName << "," << name << "ID:" << p.pid;
      m_window.showMessageBox(MSG_APPEXIST);
      return false;
    }
  }
  return true;
}

int CPreInstallChecks::StopProductService() {
  const int softwareId = m_window.configure().getSoftwareId();
  const char* service = softwareId == 6     ? "CalderwickWinAdService"
                        : softwareId == 105 ? "CalderwickDataRecoveryService"
                                            : nullptr;
  if (service == nullptr) return 0;
  CWLOG << " No service manager on this system; " << service << " is not stopped";
  return 1;
}
