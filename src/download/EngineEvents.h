// The user events the download engine sends, in one place: each goes to the
// user event log, and tests may watch them without depending on how the log
// encodes or transmits them.
#pragma once

#include <functional>
#include <string>

namespace EngineEvents {

// A page-view event (queued, not waited for).
void Simple(const std::string& category, const std::string& action, const std::string& label);
// A funnel event with one extra member (queued, not waited for).
void FunnelPair(const std::string& category, const std::string& action, const std::string& key,
                const std::string& value);

// Tests: every event is also handed to the observer as "category/action/label"
// (funnel events as "category/action/key=value"). An empty function removes it.
void SetObserverForTesting(std::function<void(const std::string&)> observer);

}  // namespace EngineEvents
