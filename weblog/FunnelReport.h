// The funnel report body: the event object the user event log prepares,
// rebuilt into the collection service's format (version "2.0").
#pragma once

#include "MachineFacts.h"

#include <json/json.h>

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr const char* kFunnelReportVersion = "2.0";
// Event objects are a few hundred bytes; anything past this is not one.
inline constexpr std::size_t kMaxFunnelInputBytes = 1024 * 1024;

// The input as a JSON object; an empty object for text that is too large, not
// JSON, or JSON but not an object.
Json::Value ParseFunnelInput(std::string_view text);

// The output object: version, common, start (only when the input has
// "entry"), actions, monitor (only when the input has "monitor_type"), ts.
Json::Value BuildFunnelReport(const Json::Value& input, const MachineFacts& facts, const std::string& sessionId,
                              std::int64_t timestampMs);

// Now, in milliseconds since 1970-01-01 UTC.
std::int64_t UnixTimeMillis();
