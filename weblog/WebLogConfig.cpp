#include "WebLogConfig.h"

#include "MachineFacts.h"

#include <mutex>

namespace {

std::mutex g_mutex;

WebLogConfig& Stored() {
  static WebLogConfig config;
  return config;
}

}  // namespace

void SetWebLogConfig(const WebLogConfig& config) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Stored() = config;
}

WebLogConfig GetWebLogConfig() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return Stored();
}
