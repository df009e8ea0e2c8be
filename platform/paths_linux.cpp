#include "platform/paths.h"

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace cwplat {
namespace {

std::string g_commandLine;
std::mutex g_commandLineMutex;

std::string EnvAbsolute(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || v[0] != '/') return {};
  std::string s(v);
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::string Home() {
  std::string h = EnvAbsolute("HOME");
  return h.empty() ? std::string("/tmp") : h;
}

}  // namespace

std::string GetModuleFileName() {
  char buf[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

std::string GetModuleDirectory() {
  return SplitPath(GetModuleFileName()).folder;
}

void SetCommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  std::lock_guard<std::mutex> lock(g_commandLineMutex);
  g_commandLine = line;
}

const std::string& GetCommandLine() {
  std::lock_guard<std::mutex> lock(g_commandLineMutex);
  return g_commandLine;
}

std::string GetAppDataFolder() {
  std::string v = EnvAbsolute("XDG_DATA_HOME");
  return v.empty() ? Home() + "/.local/share" : v;
}

std::string GetCacheFolder() {
  std::string v = EnvAbsolute("XDG_CACHE_HOME");
  return v.empty() ? Home() + "/.cache" : v;
}

std::string GetApplicationsFolder() {
  // The demo and the desktop tests keep installs inside their own folder.
  if (std::string v = EnvAbsolute("CW_APPLICATIONS_FOLDER"); !v.empty()) return v;
  return geteuid() == 0 ? std::string("/opt") : Home() + "/.local/opt";
}

std::string GetTempFolder() {
  std::string v = EnvAbsolute("TMPDIR");
  return (v.empty() ? std::string("/tmp") : v) + "/";
}

std::string GetRuntimeFolder() {
  std::string v = EnvAbsolute("XDG_RUNTIME_DIR");
  if (!v.empty() && DirectoryExists(v)) return v;
  std::string fallback = GetTempFolder() + "cw-" + std::to_string(geteuid());
  if (CreateDirectories(fallback)) chmod(fallback.c_str(), 0700);
  return fallback;
}

bool CreateDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string partial;
  partial.reserve(path.size());
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!partial.empty() && !DirectoryExists(partial)) {
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
      }
    }
    if (i < path.size()) partial += path[i];
  }
  return DirectoryExists(path);
}

bool FileExists(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0;
}

bool DirectoryExists(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

PathParts SplitPath(const std::string& path) {
  PathParts parts;
  size_t sep = path.find_last_of("/\\");
  std::string file = sep == std::string::npos ? path : path.substr(sep + 1);
  parts.folder = sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
  size_t dot = file.rfind('.');
  if (dot == std::string::npos) {
    parts.name = file;
  } else {
    parts.name = file.substr(0, dot);
    parts.ext = file.substr(dot);
  }
  return parts;
}

LocalTime GetLocalTime() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  tm t{};
  time_t secs = tv.tv_sec;
  localtime_r(&secs, &t);
  return LocalTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                   static_cast<int>(tv.tv_usec / 1000)};
}

}  // namespace cwplat
