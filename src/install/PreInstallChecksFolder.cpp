#include "PreInstallChecks.h"

#include "CConfigure.h"
#include "InstallWindow.h"
#include "SingleUserLog.h"
#include "SizeText.h"
#include "platform/drives.h"
#include "platform/log.h"
#include "platform/paths.h"

#include <limits>

namespace {

std::int64_t ToInt64(std::uint64_t bytes) {
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(bytes > kMax ? kMax : bytes);
}

// The folder text as the checks use it: no trailing '/' (the root stays "/"),
// so that suffixes and the product folder name join cleanly.
std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The product's name as one folder name: it comes from the update service and
// must not lead the install out of the chosen folder.
std::string AsFolderName(std::string name) {
  for (char& c : name) {
    if (c == '/' || c == '\0') c = '_';
  }
  return name == "." || name == ".." ? std::string() : name;
}

}  // namespace

void CPreInstallChecks::RecordNoEnoughSpace(const std::string& drive, std::int64_t freeBytes) {
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  userLog.AddUserLog_simple("Other", "FlowError", "DL008", false);
  userLog.AddUserLog_simple("Other", "NoEnoughSpace", drive + FuntionImpl::SizeText(freeBytes), false);
}

int CPreInstallChecks::EnoughFreeSpace(std::int64_t size, std::int64_t& freeBytes) {
  if (size <= 0) return 0;
  const std::string downloadFolder = DownloadFolder();
  if (const auto f = cwplat::GetDiskFreeBytesAvailable(downloadFolder);
      f && *f <= static_cast<std::uint64_t>(size)) {
    freeBytes = ToInt64(*f);
    CWLOG << " PC space not enough1: " << *f << "<=" << size;
    RecordNoEnoughSpace("download_", freeBytes);
    return -1;
  }

  // The download and the install share one drive: room for both plus the unpacked product.
  const std::string installPath = m_window.installPathText();
  const int factor = cwplat::IsSameDrive(installPath, downloadFolder) ? 3 : 2;
  const std::int64_t needed =
      size > std::numeric_limits<std::int64_t>::max() / factor ? std::numeric_limits<std::int64_t>::max()
                                                                : size * factor;
  if (const auto f = cwplat::GetDiskFreeBytesAvailable(installPath);
      f && *f <= static_cast<std::uint64_t>(needed)) {
    freeBytes = ToInt64(*f);
    CWLOG << " PC space not enough2: " << *f << "<=" << needed;
    return -2;
  }
  return 0;
}

bool CPreInstallChecks::CheckSpaceForPackage() {
  const std::int64_t size = m_window.configure().getFileSize();
  std::int64_t freeBytes = 0;
  int result = EnoughFreeSpace(size, freeBytes);
  if (result == -2) {
    m_window.setInstallPathText(cwplat::MoveToRoomiestDrive(m_window.installPathText()));
    result = EnoughFreeSpace(size, freeBytes);
    if (result == -2) RecordNoEnoughSpace("install_", freeBytes);
  }
  if (result == 0) return true;
  m_window.showMessageBox(MSG_NOENOUGHSPACE);
  return false;
}

bool CPreInstallChecks::PrepareInstallFolder() {
  const CConfigure& configure = m_window.configure();
  if (configure.getState() == 2 && configure.getConfigSource() == 1 && !CheckSpaceForPackage()) return false;

  std::string path = WithoutTrailingSlash(m_window.installPathText());
  // A relative path would land wherever this process happens to run.
  if (path.empty() || path[0] != '/' || !cwplat::CreateDirectories(path)) {
    CWLOG << " Install folder cannot be created: " << path;
    CSingleUserLog::GetInstance().AddUserLog_simple("Other", "FlowError", "DL009", false);
    m_window.showMessageBox(MSG_PATHERROR);
    return false;
  }
  CSingleUserLog::GetInstance().AddUserLog_funnelPair("Download", "DownloadEnvReady", "", "", false, false);

  const std::string freeFolder = FuntionImpl::FolderFreeOfPendingRename(path);
  if (freeFolder != path) {
    CSingleUserLog::GetInstance().AddUserLog_simple("Other", "ProcessNeedRestartSign", "", false);
    path = freeFolder;
  }

  const std::string product = AsFolderName(ProductFolderName());
  if (path.find(product) == std::string::npos) path += (path == "/" ? "" : "/") + product;
  m_window.setInstallDirectory(path);
  m_window.showRunningPage();
  return true;
}
