#include "EngineEvents.h"

#include "SingleUserLog.h"

#include <mutex>

namespace EngineEvents {
namespace {

std::mutex g_mutex;
std::function<void(const std::string&)> g_observer;

void Notify(const std::string& text) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_observer) g_observer(text);
}

}  // namespace

void Simple(const std::string& category, const std::string& action, const std::string& label) {
  Notify(category + "/" + action + "/" + label);
  CSingleUserLog::GetInstance().AddUserLog_simple(category, action, label, false);
}

void FunnelPair(const std::string& category, const std::string& action, const std::string& key,
                const std::string& value) {
  Notify(category + "/" + action + "/" + key + "=" + value);
  CSingleUserLog::GetInstance().AddUserLog_funnelPair(category, action, key, value, false, false);
}

void SetObserverForTesting(std::function<void(const std::string&)> observer) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_observer = std::move(observer);
}

}  // namespace EngineEvents
