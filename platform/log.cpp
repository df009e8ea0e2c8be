#include "platform/log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

INITIALIZE_EASYLOGGINGPP

namespace cwlog {
namespace {

std::mutex g_mutex;
std::string g_file;
bool g_echo = true;

el::Configurations BaseConfiguration() {
  el::Configurations conf;
  conf.setToDefault();
  conf.set(el::Level::Global, el::ConfigurationType::Format, kFormat);
  conf.set(el::Level::Global, el::ConfigurationType::Enabled, "true");
  conf.set(el::Level::Global, el::ConfigurationType::ToStandardOutput, g_echo ? "true" : "false");
  conf.set(el::Level::Global, el::ConfigurationType::ToFile, "false");
  return conf;
}

void Apply(const el::Configurations& conf) {
  el::Loggers::reconfigureLogger("default", conf);
  // A fatal entry must not end an installer half-way; crash reasons are ours to write.
  el::Loggers::addFlag(el::LoggingFlag::DisableApplicationAbortOnFatalLog);
  el::Loggers::removeFlag(el::LoggingFlag::LogDetailedCrashReason);
}

}  // namespace

void ConfigureConsoleOnly() {
  std::lock_guard<std::mutex> lock(g_mutex);
  Apply(BaseConfiguration());
  g_file.clear();
}

bool ConfigureWithFile(const std::string& filePath) {
  std::string reason;
  {
    // Probe first: easylogging++ would only print an internal error and drop lines.
    FILE* probe = std::fopen(filePath.c_str(), "a");
    if (probe == nullptr) {
      reason = std::strerror(errno);
    } else {
      std::fclose(probe);
    }
  }
  if (!reason.empty()) {
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      g_echo = true;  // standard output is the only place left for the log
    }
    ConfigureConsoleOnly();
    CWLOG << " Log file " << filePath << " cannot be opened (" << reason << "), logging to standard output only";
    return false;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  el::Configurations conf = BaseConfiguration();
  conf.set(el::Level::Global, el::ConfigurationType::ToFile, "true");
  conf.set(el::Level::Global, el::ConfigurationType::Filename, filePath);
  Apply(conf);
  g_file = filePath;
  return true;
}

void SetStandardOutputEcho(bool echo) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_echo = echo;
  }
  if (CurrentLogFile().empty()) {
    ConfigureConsoleOnly();
  } else {
    ConfigureWithFile(CurrentLogFile());
  }
}

std::string CurrentLogFile() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_file;
}

}  // namespace cwlog
