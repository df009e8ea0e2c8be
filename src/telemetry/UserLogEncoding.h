// How user events become what the analytics transport sends: the GA4 query
// tail of a page-view event and the JSON object of a funnel event.
#pragma once

#include "UserLogFacts.h"

#include <map>
#include <string>

// The GA4 stream's measurement id.
inline constexpr const char* kGa4MeasurementId = "G-5QK2W7HZ3N";
// The custom-dimension text never grows past this (a 4096-byte buffer once).
inline constexpr std::size_t kMaxCustomDimensionBytes = 4095;
// Category, action and label are cut to this before they go into a hit.
inline constexpr std::size_t kMaxEventTextBytes = 1024;

// "PPC", "CN" or "SEO" for the site id.
const char* TrafficType(int siteId);

// "&ep.cd1=...&ep.cd8=N": tools version, traffic type, channel, product,
// region, language, OS text, 0 for a kit downloader else 1.
std::string BuildCustomDimensions(const UserLogFacts& facts, const UserLogUserInfo& info);

// "&tid=...&en=<action>" plus the custom dimensions; texts go in as they are
// (the transport percent-encodes the whole tail).
std::string BuildPageViewTail(const UserLogFacts& facts, const UserLogUserInfo& info, const std::string& category,
                              const std::string& action, const std::string& label);

struct FunnelEvent {
  std::string eventType;     // "" becomes "event"
  std::string coreFuncName;  // "" leaves out core_func_name and func_step
  int funcStep = 0;
  std::string category;
  std::string action;
  std::string label;
  bool kit = false;
};

// The funnel object (members in name order, as the JSON writer orders them).
std::string BuildFunnelJson(const UserLogFacts& facts, const UserLogUserInfo& info, const UserLogWindowFacts& window,
                            const FunnelEvent& event);

// The extended form: actions hold event_type "event", category, action and one
// text member per entry with a non-empty key (an entry may replace a fixed one).
std::string BuildFunnelExJson(const UserLogFacts& facts, const UserLogUserInfo& info, const UserLogWindowFacts& window,
                              const std::string& category, const std::string& action,
                              const std::map<std::string, std::string>& extra, bool kit);
