// Fuzz targets run a parser millions of times: its log lines would only slow
// them down, and the user event log must not send anything from a fuzz run,
// so both are silenced before the first input (the event log keeps quiet
// under the AutoRun setting).
#pragma once

#include "LocalSettings.h"
#include "platform/log.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
char g_fuzzSettingsPath[] = "/tmp/cw-fuzz-settings-XXXXXX";
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  el::Configurations conf;
  conf.setToDefault();
  conf.set(el::Level::Global, el::ConfigurationType::Enabled, "false");
  el::Loggers::reconfigureLogger("default", conf);

  char* path = g_fuzzSettingsPath;
  const int fd = mkstemp(path);
  if (fd >= 0) {
    const std::string text = "[Settings]\nAutoRun=1\n";
    if (FILE* f = fdopen(fd, "w")) {
      std::fputs(text.c_str(), f);
      std::fclose(f);
    }
    FuntionImpl::SetLocalSettingsPathForTesting(path);
    std::atexit([] { unlink(g_fuzzSettingsPath); });
  }
  return 0;
}
