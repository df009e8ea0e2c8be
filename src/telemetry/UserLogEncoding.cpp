#include "UserLogEncoding.h"

#include "ChannelName.h"
#include "weblog/JsonText.h"

#include <algorithm>
#include <json/json.h>

namespace {

std::string Bounded(const std::string& text, std::size_t limit) {
  return text.size() <= limit ? text : text.substr(0, limit);
}

std::string Event(const std::string& text) { return Bounded(text, kMaxEventTextBytes); }

// The members every funnel object carries besides its actions.
Json::Value FunnelRoot(const UserLogFacts& facts, const UserLogUserInfo& info, const UserLogWindowFacts& window,
                       bool kit) {
  Json::Value root(Json::objectValue);
  root["is_new"] = info.isNew;
  root["brand"] = "PC";
  root["model"] = "PC";
  root["product"] = info.productName;
  root["product_version"] = window.productVersion;
  root["email"] = "";
  root["phone"] = "";
  root["cross_end_id"] = facts.fileNameToken;
  root["rnclid"] = facts.fileNameToken;
  root["source_type"] = "downloader";
  root["tools_version"] = facts.toolsVersion;
  root["tools_lang"] = window.languageCode;
  root["kit_type"] = kit ? 2 : (info.kit ? 1 : 0);
  root["pid"] = info.pid;
  return root;
}

}  // namespace

const char* TrafficType(int siteId) {
  static const int kPpc[] = {2, 8, 74, 84, 206, 293, 305, 338};
  static const int kCn[] = {54, 93, 290, 354};
  if (std::find(std::begin(kPpc), std::end(kPpc), siteId) != std::end(kPpc)) return "PPC";
  if (std::find(std::begin(kCn), std::end(kCn), siteId) != std::end(kCn)) return "CN";
  return "SEO";
}

std::string BuildCustomDimensions(const UserLogFacts& facts, const UserLogUserInfo& info) {
  std::string text = "&ep.cd1=" + facts.toolsVersion;
  text += "&ep.cd2=";
  text += TrafficType(info.siteId);
  text += "&ep.cd3=" + FuntionImpl::GetChannelName(info.siteId, info.downloadAddress);
  text += "&ep.cd4=" + info.productName;
  text += "&ep.cd5=" + facts.region;
  text += "&ep.cd6=" + facts.language;
  text += "&ep.cd7=" + facts.osText;
  text += "&ep.cd8=";
  text += info.kit ? "0" : "1";
  return Bounded(text, kMaxCustomDimensionBytes);
}

std::string BuildPageViewTail(const UserLogFacts& facts, const UserLogUserInfo& info, const std::string& category,
                              const std::string& action, const std::string& label) {
  std::string tail = "&tid=";
  tail += kGa4MeasurementId;
  tail += "&ep.cw_productname=Downloader&ep.cw_productversion=" + facts.toolsVersion;
  tail += "&ep.cw_category=" + Event(category);
  tail += "&ep.cw_action=" + Event(action);
  tail += "&ep.cw_label=" + Event(label);
  tail += "&en=" + Event(action);
  tail += BuildCustomDimensions(facts, info);
  return tail;
}

std::string BuildFunnelJson(const UserLogFacts& facts, const UserLogUserInfo& info, const UserLogWindowFacts& window,
                            const FunnelEvent& event) {
  Json::Value actions(Json::objectValue);
  actions["event_category"] = event.category;
  actions["event_action"] = event.action;
  actions["event_label"] = event.label;
  if (!event.coreFuncName.empty()) {
    actions["core_func_name"] = event.coreFuncName;
    actions["func_step"] = event.funcStep;
  }
  actions["event_type"] = event.eventType.empty() ? std::string("event") : event.eventType;
  Json::Value root = FunnelRoot(facts, info, window, event.kit);
  root["actions"] = actions;
  return CompactJson(root);
}

std::string BuildFunnelExJson(const UserLogFacts& facts, const UserLogUserInfo& info, const UserLogWindowFacts& window,
                              const std::string& category, const std::string& action,
                              const std::map<std::string, std::string>& extra, bool kit) {
  Json::Value actions(Json::objectValue);
  actions["event_type"] = "event";
  actions["event_category"] = category;
  actions["event_action"] = action;
  for (const auto& [key, value] : extra) {
    if (!key.empty()) actions[key] = value;
  }
  Json::Value root = FunnelRoot(facts, info, window, kit);
  root["actions"] = actions;
  return CompactJson(root);
}
