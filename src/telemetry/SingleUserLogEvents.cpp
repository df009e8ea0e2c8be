// The add operations of the user event log and the funnel hooks that turn the
// page-view error stream into a FlowError funnel sequence.
#include "LocalSettings.h"
#include "SingleUserLog.h"
#include "UserLogEncoding.h"
#include "UserLogSender.h"
#include "platform/log.h"

namespace {

std::string Text(const char* s) { return s == nullptr ? std::string() : std::string(s); }

const char* WaitFlag(bool bWait) { return bWait ? " (wait)" : ""; }
const char* KitFlag(bool kit) { return kit ? " (kit)" : ""; }

}  // namespace

int CSingleUserLog::Deliver(bool funnel, std::string text, const std::string& category, const std::string& action,
                            bool bWait) {
  const UserLogKind kind = funnel ? UserLogKind::Funnel : UserLogKind::PageView;
  UserLogItem item{std::move(text), category, action};
  return bWait ? m_sender->SendNow(kind, item) : m_sender->Queue(kind, std::move(item));
}

void CSingleUserLog::RunFunnelHooks(const std::string& category, const std::string& action, const std::string& label) {
  if (action == "FlowError") {
    std::lock_guard<std::mutex> flow(m_flowMutex);
    bool opened = false;
    int step = 0;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      opened = m_flowErrorStarted;
      m_flowErrorStarted = true;
      step = m_flowErrorStep++;
    }
    if (!opened) AddUserLog_funnel("CoreFuncEvent", "FlowError", 0, "Download", "CoreFuncStart", "null", false, false);
    AddUserLog_funnel("CoreFuncEvent", "FlowError", step, "Download", label, "null", false, false);
  } else if (category == "CrashRate" && action == "Close") {
    bool opened = false;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      opened = m_flowErrorStarted;
    }
    if (opened) AddUserLog_funnel("CoreFuncEvent", "FlowError", 0, "Download", "CoreFuncEnd", "null", true, false);
  }
}

int CSingleUserLog::AddUserLog(int, const char* action, bool bWait, int, const char* /*unused*/, const char* label,
                               const char* category) {
  if (FuntionImpl::IsAutoRun()) return kSilent;
  const std::string actionText = Text(action), labelText = Text(label), categoryText = Text(category);
  RunFunnelHooks(categoryText, actionText, labelText);
  return Deliver(false, BuildPageViewTail(m_facts, UserInfo(), categoryText, actionText, labelText), categoryText,
                 actionText, bWait);
}

int CSingleUserLog::AddUserLog_simple(const std::string& category, const std::string& action,
                                      const std::string& label, bool bWait) {
  // Every record is traced in the application log, sent or not.
  CWLOG << " User event " << category << " / " << action << " / " << label << WaitFlag(bWait);
  if (FuntionImpl::IsAutoRun()) return kSilent;
  if (category == "Other" && action == "FlowError") {
    AddUserLog_funnelEx("ErrorReporting", "Error", {{"MainErrorType", label}}, bWait, false);
  }
  return AddUserLog(0, action.c_str(), bWait, 0, "", label.c_str(), category.c_str());
}

int CSingleUserLog::AddUserLog_funnel(const std::string& eventType, const std::string& coreFuncName, int funcStep,
                                      const std::string& category, const std::string& action,
                                      const std::string& label, bool bWait, bool kit) {
  CWLOG << " Funnel event " << eventType << " / " << coreFuncName << " / " << funcStep << " / " << category << " / "
        << action << " / " << label << WaitFlag(bWait) << KitFlag(kit);
  if (FuntionImpl::IsAutoRun()) return kSilent;
  RecordToolsVersionOnce();
  const FunnelEvent event{eventType, coreFuncName, funcStep, category, action, label, kit};
  return Deliver(true, BuildFunnelJson(m_facts, UserInfo(), WindowFacts(), event), category, action, bWait);
}

int CSingleUserLog::AddUserLog_funnelEx(const std::string& category, const std::string& action,
                                        const std::map<std::string, std::string>& extra, bool bWait, bool kit) {
  std::string members;
  for (const auto& [key, value] : extra) members += " " + key + "=" + value;
  CWLOG << " Funnel event " << category << " / " << action << members << WaitFlag(bWait) << KitFlag(kit);
  if (FuntionImpl::IsAutoRun()) return kSilent;
  RecordToolsVersionOnce();
  return Deliver(true, BuildFunnelExJson(m_facts, UserInfo(), WindowFacts(), category, action, extra, kit), category,
                 action, bWait);
}

int CSingleUserLog::AddUserLog_funnelPair(const std::string& category, const std::string& action,
                                          const std::string& key, const std::string& value, bool bWait, bool kit) {
  return AddUserLog_funnelEx(category, action, {{key, value}}, bWait, kit);
}

bool CSingleUserLog::WaitThreadForExit() {
  CWLOG << " CSingleUserLog WaitThreadForExit";
  m_sender->WaitForExit(kExitWaitMs);
  return true;
}
