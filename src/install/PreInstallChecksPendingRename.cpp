#include "PreInstallChecks.h"

#include "platform/log.h"
#include "platform/registry.h"

namespace FuntionImpl {
namespace {

const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";
// Far more numbered folders than anyone leaves behind; the search stops there.
constexpr int kMaxSuffix = 1000;

std::vector<std::string> PendingOperations() {
  std::vector<std::string> entries;
  if (!cwplat::RegGetMultiString(cwplat::RegHive::LocalMachine, kSessionManagerKey, kPendingValue, entries)) {
    entries.clear();
  }
  return entries;
}

bool NamesSomethingInside(const std::vector<std::string>& entries, const std::string& folder) {
  const std::string inside = folder + "/";
  for (const std::string& entry : entries) {
    if (entry.find(inside) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

bool HasPendingRename(const std::string& folder) { return NamesSomethingInside(PendingOperations(), folder); }

std::string FolderFreeOfPendingRename(const std::string& folder) {
  const std::vector<std::string> entries = PendingOperations();
  if (!NamesSomethingInside(entries, folder)) return folder;
  std::string candidate;
  for (int i = 1; i <= kMaxSuffix; ++i) {
    candidate = folder + " " + std::to_string(i);
    if (!NamesSomethingInside(entries, candidate)) return candidate;
  }
  CWLOG << " Every numbered install folder up to " << kMaxSuffix << " has pending operations; using " << candidate;
  return candidate;
}

}  // namespace FuntionImpl
