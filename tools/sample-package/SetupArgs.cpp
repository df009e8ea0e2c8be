#include "SetupArgs.h"

#include <cctype>
#include <string_view>

namespace sample {
namespace {

constexpr std::size_t kMaxLanguage = 32;
constexpr std::size_t kMaxTracking = 1024;

// True when arg starts with name (without case); value is the rest.
bool TakeSwitch(std::string_view arg, std::string_view name, std::string& value) {
  if (arg.size() < name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(arg[i])) != name[i]) return false;
  }
  value = std::string(arg.substr(name.size()));
  return true;
}

bool IsSwitch(std::string_view arg, std::string_view name) {
  std::string rest;
  return TakeSwitch(arg, name, rest) && rest.empty();
}

bool ValidLanguage(const std::string& code) {
  if (code.empty() || code.size() > kMaxLanguage) return false;
  for (const char c : code) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
  }
  return true;
}

bool ValidTracking(const std::string& value) {
  if (value.size() > kMaxTracking) return false;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) return false;
  }
  return true;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

bool ParseSetupArgs(const std::vector<std::string>& args, SetupOptions& out, std::string& error) {
  out = SetupOptions{};
  std::optional<std::string> dir;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    if (TakeSwitch(arg, "/DIR=", value)) {
      dir = value;
    } else if (TakeSwitch(arg, "/LANG=", value)) {
      if (!ValidLanguage(value)) {
        error = "invalid language code in " + arg;
        return false;
      }
      out.language = value;
    } else if (TakeSwitch(arg, "/LOG=", value)) {
      if (value.empty() || value.front() != '/' || value.back() == '/') {
        error = "the log file must be an absolute file path: " + arg;
        return false;
      }
      out.logPath = value;
    } else if (IsSwitch(arg, "/SPTRACK")) {
      if (i + 1 < args.size()) out.tracking = args[++i];
      if (!ValidTracking(out.tracking)) {
        error = "invalid tracking value after /sptrack";
        return false;
      }
    } else if (IsSwitch(arg, "/VERYSILENT") || IsSwitch(arg, "/SILENT") || IsSwitch(arg, "/SP-") ||
               IsSwitch(arg, "/NORESTART") || IsSwitch(arg, "/SUPPRESSMSGBOXES")) {
      // Always silent: nothing to show, nothing to restart.
    } else {
      out.ignored.push_back(arg);
    }
  }
  if (!dir || dir->empty()) {
    error = "no installation folder: /DIR=<folder> is required";
    return false;
  }
  if (dir->front() != '/') {
    error = "the installation folder must be an absolute path: " + *dir;
    return false;
  }
  out.dir = WithoutTrailingSlashes(*dir);
  return true;
}

}  // namespace sample
