// The devserver's record read as the analytics reports the program sent:
// GA4 page views and funnel events, in the order they arrived.
#pragma once

#include <json/json.h>

#include <string>
#include <vector>

namespace desktoptest {

// "action|label" of each page view (/g/collect).
std::vector<std::string> PageViews(const std::vector<Json::Value>& records);
// "core_func_name/event_action" of each funnel event (/collect, /collector).
std::vector<std::string> FunnelEvents(const std::vector<Json::Value>& records);
// The first of `expected` that is not found, each entry as the start of a
// line of `seen` after the one the entry before it matched; "" when all are.
std::string FirstMissingInOrder(const std::vector<std::string>& seen, const std::vector<std::string>& expected);
// The lines, one a line, for a failure message.
std::string Lines(const std::vector<std::string>& lines);

}  // namespace desktoptest
