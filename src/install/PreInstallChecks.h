// The checks run when the user presses install, before the install thread
// starts: the product is not running, the drives have room for the package,
// the install folder can be created and no reboot-time file operation waits
// on it, and a running companion service is stopped. The caller (the window
// or the unattended host) starts the install when RunChecks gives 0.
#pragma once

#include "platform/process.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class IInstallWindow;

// Where the checks get what the machine tells them; an empty member asks the
// machine (the process list from /proc, the download folder of the user event
// log). Drives come from platform/drives.h, whose source tests replace.
struct PreInstallSources {
  std::function<std::vector<cwplat::ProcessEntry>()> processes;
  std::function<std::string()> downloadFolder;
};

class CPreInstallChecks {
 public:
  explicit CPreInstallChecks(IInstallWindow& window, PreInstallSources sources = {});

  // 0 when every check passed (the running page is shown), -1 when one stopped
  // the install (its message box was shown).
  int RunChecks();

  // True when the product is not running. A process list that cannot be read
  // blocks like a running product.
  bool AppIsRunning();
  // 0 enough room for a package of `size` bytes, -1 the download drive is
  // short, -2 the install drive is short; `freeBytes` then holds what the
  // short drive has. A size of 0 and unreadable drives pass.
  int EnoughFreeSpace(std::int64_t size, std::int64_t& freeBytes);
  // Space check (for a configuration from the update service), creation of the
  // install folder and choice of the install directory; true when ready.
  bool PrepareInstallFolder();
  // 0 nothing to stop, 1 no service manager (this system has none).
  int StopProductService();

 private:
  std::vector<cwplat::ProcessEntry> Processes() const;
  std::string DownloadFolder() const;
  std::string ProductFolderName() const;
  // The space check of PrepareInstallFolder, with its one move to a roomier drive.
  bool CheckSpaceForPackage();
  void RecordNoEnoughSpace(const std::string& drive, std::int64_t freeBytes);

  IInstallWindow& m_window;
  PreInstallSources m_sources;
};

namespace FuntionImpl {

// True when a pending reboot-time file operation names something inside folder.
bool HasPendingRename(const std::string& folder);
// folder when no pending operation names it, else the first of "folder 1",
// "folder 2", ... that none names.
std::string FolderFreeOfPendingRename(const std::string& folder);

}  // namespace FuntionImpl
