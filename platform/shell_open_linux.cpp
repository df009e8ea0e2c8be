#include "platform/shell_open.h"

#include "platform/file_io.h"
#include "platform/log.h"
#include "platform/process_spawn.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace cwplat {
namespace {

// The opener usually hands over and ends at once; one that is still running
// after this long is busy showing the thing (a browser it started itself).
constexpr std::uint64_t kHelperWaitMs = 3000;
// dbus-send and gdbus give up on a silent file manager before we stop waiting.
constexpr const char* kDbusReplyTimeoutMs = "2000";
constexpr const char* kDbusReplyTimeoutSeconds = "2";

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Starts a helper and waits for its verdict: its exit status, 0 when it is
// still running after the wait, or -1 when it cannot be started.
int RunHelper(const std::vector<std::string>& argv) {
  SpawnedProcess helper;
  if (helper.Start(argv) != 0) return -1;
  if (helper.Wait(kHelperWaitMs) != WaitResult::Ended) return 0;  // released by the destructor
  return helper.exitCode().value_or(0);
}

// xdg-open's documented exit statuses.
int OpenerError(int status) {
  switch (status) {
    case 0:
      return 0;
    case 1:
      return kErrorInvalidParameter;  // syntax error
    case 2:
      return kErrorFileNotFound;  // the file does not exist
    case 3:
      return kErrorNoAssociation;  // a required tool is missing
    default:
      return kErrorGenFailure;  // the action failed
  }
}

// A file URI; everything but unreserved characters and '/' percent-encoded,
// which also keeps it free of the ',' and quotes the D-Bus tools would parse.
std::string FileUri(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char c : path) {
    const unsigned char u = static_cast<unsigned char>(c);
    const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[u >> 4];
      uri += kHex[u & 0x0F];
    }
  }
  return uri;
}

// The ShowItems call with whichever D-Bus tool is installed; false when none
// is or the file manager did not take it.
bool CallShowItems(const std::string& uri) {
  static constexpr const char* kObject = "/org/freedesktop/FileManager1";
  static constexpr const char* kService = "org.freedesktop.FileManager1";
  static constexpr const char* kMethod = "org.freedesktop.FileManager1.ShowItems";
  if (const std::string tool = FindExecutableOnPath("dbus-send"); !tool.empty()) {
    return RunHelper({tool, "--session", "--print-reply", std::string("--reply-timeout=") + kDbusReplyTimeoutMs,
                      std::string("--dest=") + kService, kObject, kMethod, "array:string:" + uri, "string:"}) == 0;
  }
  if (const std::string tool = FindExecutableOnPath("gdbus"); !tool.empty()) {
    return RunHelper({tool, "call", "--session", "--timeout", kDbusReplyTimeoutSeconds, "--dest", kService,
                      "--object-path", kObject, "--method", kMethod, "['" + uri + "']", "''"}) == 0;
  }
  return false;
}

}  // namespace

bool HasDesktopSession() { return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"); }

int ShellOpen(const std::string& target) {
  if (!HasDesktopSession()) {
    CWLOG << " No desktop session (DISPLAY and WAYLAND_DISPLAY unset): not opening " << target;
    return kErrorNotSupported;
  }
  // xdg-open would read a leading '-' as one of its options.
  if (target.empty() || target.front() == '-' || target.find('\0') != std::string::npos) {
    CWLOG << " Not a target to open: " << target;
    return kErrorInvalidParameter;
  }
  const std::string opener = FindExecutableOnPath("xdg-open");
  if (opener.empty()) {
    CWLOG << " xdg-open is not on PATH: not opening " << target;
    return kErrorNoAssociation;
  }
  const int status = RunHelper({opener, target});
  const int error = status < 0 ? kErrorGenFailure : OpenerError(status);
  if (error != 0) CWLOG << " xdg-open " << target << " failed: status " << status;
  return error;
}

int ShowInFileManager(const std::string& path) {
  if (!HasDesktopSession()) {
    CWLOG << " No desktop session (DISPLAY and WAYLAND_DISPLAY unset): not showing " << path;
    return kErrorNotSupported;
  }
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec).lexically_normal();
  if (ec || path.empty()) {
    CWLOG << " Cannot show " << path << ": " << ec.message();
    return kErrorInvalidParameter;
  }
  if (CallShowItems(FileUri(full.native()))) return 0;
  CWLOG << " No file manager took ShowItems; opening the folder of " << full.native();
  return ShellOpen(full.parent_path().native());
}

}  // namespace cwplat
