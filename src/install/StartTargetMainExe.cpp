// Starting the installed product, directly or through the desktop.
#include "SingleUserLog.h"
#include "StartTargetMainExe.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/process_spawn.h"
#include "platform/shell_open.h"

namespace FuntionImpl {
namespace {

// The label of a missing file, as the direct start reports it too.
constexpr int kFileNotFound = 2;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int ReportStartError(const char* what, int error) {
  CWLOG << " CreateProcess " << what << " (" << error << ")";
  CSingleUserLog::GetInstance().AddUserLog_simple("Other", "StartWindowError", std::to_string(error), false);
  return -1;
}

// The folder of the executable, so that it finds the files beside it.
std::string FolderOf(const std::string& program) {
  const std::size_t slash = program.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : program.substr(0, slash);
}

int StartDirectly(const std::vector<std::string>& argv) {
  cwplat::SpawnedProcess product;
  cwplat::SpawnOptions options;
  options.workingFolder = argv.empty() ? std::string() : FolderOf(argv.front());
  const int error = argv.empty() ? cwplat::kErrorInvalidParameter : product.Start(argv, options);
  if (error != 0) return ReportStartError("failed3", error);
  product.Release();  // the product runs on after we close
  return 0;
}

int StartThroughDesktop(const std::string& path) {
  if (path.empty() || !cwplat::FileExists(path)) return ReportStartError("failed1", kFileNotFound);
  const int error = cwplat::ShellOpen(path);
  if (error != 0) return ReportStartError("failed2", error);
  return 0;
}

}  // namespace

std::vector<std::string> SplitStartCommand(const std::string& command) {
  std::vector<std::string> argv;
  std::size_t at = 0;
  while (at < command.size() && IsBlank(command[at])) ++at;
  if (at == command.size()) return argv;
  if (command[at] == '"') {
    std::size_t close = command.find('"', at + 1);
    // A Linux path may itself hold quotation marks: the longest quoted item
    // that names an existing file wins over the first closing mark.
    for (std::size_t q = command.rfind('"'); q != std::string::npos && q > close; q = command.rfind('"', q - 1)) {
      const bool endsItem = q + 1 == command.size() || IsBlank(command[q + 1]);
      if (endsItem && cwplat::FileExists(command.substr(at + 1, q - at - 1))) {
        close = q;
        break;
      }
    }
    const std::size_t end = close == std::string::npos ? command.size() : close;
    argv.push_back(command.substr(at + 1, end - at - 1));
    at = close == std::string::npos ? command.size() : close + 1;
  }
  while (at < command.size()) {
    while (at < command.size() && IsBlank(command[at])) ++at;
    const std::size_t begin = at;
    while (at < command.size() && !IsBlank(command[at])) ++at;
    if (at > begin) argv.push_back(command.substr(begin, at - begin));
  }
  return argv;
}

int StartTargetMainExe(const std::string& command, int mode) {
  if (mode != 0) return StartDirectly(SplitStartCommand(command));
  // The path between the quotation marks that enclose the command text.
  return StartThroughDesktop(command.size() >= 2 ? command.substr(1, command.size() - 2) : std::string());
}

int StartProductProgram(const std::string& path, int mode) {
  return mode != 0 ? StartDirectly({path}) : StartThroughDesktop(path);
}

}  // namespace FuntionImpl
