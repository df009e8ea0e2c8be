#include "RecordReading.h"

#include <sstream>

namespace desktoptest {

std::vector<std::string> PageViews(const std::vector<Json::Value>& records) {
  std::vector<std::string> views;
  for (const Json::Value& r : records) {
    if (r["path"].asString() != "/g/collect") continue;
    views.push_back(r["query"]["ep.cw_action"].asString() + "|" + r["query"]["ep.cw_label"].asString());
  }
  return views;
}

std::vector<std::string> FunnelEvents(const std::vector<Json::Value>& records) {
  std::vector<std::string> events;
  Json::CharReaderBuilder builder;
  for (const Json::Value& r : records) {
    const std::string path = r["path"].asString();
    if (path != "/collect" && path != "/collector") continue;
    Json::Value body;
    std::string errors;
    std::istringstream text(r["body"].asString());
    if (!Json::parseFromStream(builder, text, &body, &errors)) continue;
    const Json::Value& actions = body["actions"];
    events.push_back(actions["core_func_name"].asString() + "/" + actions["event_action"].asString());
  }
  return events;
}

std::string FirstMissingInOrder(const std::vector<std::string>& seen, const std::vector<std::string>& expected) {
  std::size_t at = 0;
  for (const std::string& want : expected) {
    while (at < seen.size() && seen[at].rfind(want, 0) != 0) ++at;
    if (at == seen.size()) return want;
    ++at;
  }
  return {};
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

}  // namespace desktoptest
