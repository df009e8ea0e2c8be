#include "ProductLaunch.h"

#include "CConfigure.h"
#include "PathComponent.h"
#include "SingleUserLog.h"
#include "StartTargetMainExe.h"
#include "platform/log.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

// A product folder is small; these bounds stop a search of a huge tree.
constexpr int kMaxDepth = 8;
constexpr int kMaxEntries = 20000;

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string FindInSubfolders(const std::filesystem::path& root, const std::string& name) {
  namespace fs = std::filesystem;
  std::deque<std::pair<fs::path, int>> folders{{root, 0}};
  int seen = 0;
  while (!folders.empty() && seen < kMaxEntries) {
    auto [folder, depth] = folders.front();
    folders.pop_front();
    std::error_code error;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end && seen < kMaxEntries; it.increment(error)) {
      entries.push_back(*it);
      ++seen;
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path() < b.path(); });
    for (const auto& entry : entries) {
      if (entry.is_symlink(error)) continue;  // stays inside the install folder
      if (entry.is_regular_file(error) && entry.path().filename() == name) return entry.path().string();
      if (entry.is_directory(error) && depth < kMaxDepth) folders.emplace_back(entry.path(), depth + 1);
    }
  }
  return "";
}

// True when `path`, with every symbolic link followed, lies inside `folder`
// (also followed).
bool ResolvesInside(const std::string& path, const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path root = fs::weakly_canonical(folder, error);
  if (error || root.empty()) return false;
  const fs::path resolved = fs::weakly_canonical(path, error);
  if (error) return false;
  const fs::path relative = resolved.lexically_relative(root);
  return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

}  // namespace

std::string ProductExecutablePath(const CConfigure& configure, const std::string& installDirectory) {
  if (configure.getState() != 2) return "";
  const std::string processName = configure.getProcessName();
  if (!FuntionImpl::IsPlainPathComponent(processName)) {
    CWLOG << " Product executable name refused: " << processName;
    return "";
  }
  const std::string folder = Trim(installDirectory);
  std::string chosen = folder + "/" + processName;
  std::error_code error;
  if (!std::filesystem::exists(chosen, error)) {
    const std::string found = FindInSubfolders(folder, processName);
    if (!found.empty()) chosen = found;
  }
  if (!ResolvesInside(chosen, folder)) {
    CWLOG << " Product executable refused, it leads out of the install folder: " << chosen;
    return "";
  }
  return chosen;
}

bool LaunchProductDirectly(const CConfigure& configure, const std::string& installDirectory, int mode) {
  CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  const std::string program = ProductExecutablePath(configure, installDirectory);
  userLog.AddUserLog_simple("Download", "9.StartWindow", "0", true);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Starting", 2, "Download", "StartWindow", "null", false, false);
  userLog.AddUserLog_funnel("CoreFuncEvent", "Starting", 0, "Download", "CoreFuncEnd", "null", false, false);
  if (!program.empty() && FuntionImpl::StartProductProgram(program, mode) == 0) return true;
  userLog.AddUserLog_simple("Other", "FlowError", "DL019", false);
  return false;
}
