#include "ProcessSearch.h"

#include "platform/log.h"
#include "platform/process.h"

#include <algorithm>
#include <cctype>

namespace FuntionImpl {
namespace {

// Long enough for a killed process to let go of its files.
constexpr int kKillWaitMs = 2000;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string FileNameOf(const std::string& path) {
  const std::size_t sep = path.find_last_of("/\\");
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

}  // namespace

int FindProcessByFullPath(const std::string& fullPath, bool kill, bool alsoTmp) {
  const std::string target = Lower(FileNameOf(fullPath));
  std::string tmpName;
  if (alsoTmp && target.size() >= 3) tmpName = target.substr(0, target.size() - 3) + "tmp";
  const int self = cwplat::GetCurrentProcessId();

  int found = -1;
  for (const cwplat::ProcessEntry& process : cwplat::SnapshotProcesses()) {
    const std::string name = Lower(process.exeName);
    if (name != target && (tmpName.empty() || name != tmpName)) continue;
    CWLOG << " Find proc: " << process.pid;
    if (process.pid == self) continue;
    // Paths on this system are case-sensitive: only the very file matches.
    const std::string module = cwplat::GetProcessModulePath(process.pid).value_or("");
    CWLOG << " Get proc info: " << module.size() << ", " << fullPath.size();
    const bool match = module == fullPath || (alsoTmp && Lower(module).find(".tmp") != std::string::npos);
    if (!match) continue;
    found = process.pid;
    if (kill) {
      int error = 0;
      const bool ended = cwplat::TerminateProcess(process.pid, kKillWaitMs, &error);
      CWLOG << " Kill proc: " << (ended ? 1 : 0) << ", " << error;
    }
    if (!alsoTmp) break;
  }
  return found;
}

}  // namespace FuntionImpl
