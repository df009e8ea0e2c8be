#include "Faults.h"

#include "Json.h"

#include <charconv>
#include <cmath>

namespace devserver {
namespace {

constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 50;
constexpr std::int64_t kMaxDelta = std::int64_t{1} << 40;
constexpr double kMaxStallSeconds = 3600;
constexpr int kMaxQueued = 1000;

template <typename T>
bool ParseInteger(const std::string& text, T& out) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, out);
  return ec == std::errc() && ptr == end && begin != end;
}

bool ParseBytes(const std::string& text, std::optional<std::uint64_t>& out) {
  std::uint64_t value = 0;
  if (!ParseInteger(text, value) || value > kMaxBytes) return false;
  out = value;
  return true;
}

bool ParseDelta(const std::string& text, std::optional<std::int64_t>& out) {
  std::int64_t value = 0;
  if (!ParseInteger(text, value) || value < -kMaxDelta || value > kMaxDelta) return false;
  out = value;
  return true;
}

bool ParseSeconds(const std::string& text, std::optional<std::int64_t>& outMs) {
  double seconds = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (ec != std::errc() || ptr != text.data() + text.size() || text.empty() || !std::isfinite(seconds) ||
      seconds < 0 || seconds > kMaxStallSeconds) {
    return false;
  }
  outMs = static_cast<std::int64_t>(std::llround(seconds * 1000));
  return true;
}

template <typename T>
void Put(Json::Value& out, const char* name, const std::optional<T>& value) {
  if (value) out[name] = static_cast<Json::Int64>(*value);
}

}  // namespace

bool FaultPlan::empty() const {
  return !status && !resetAfter && !truncate && !stallMs && !stallAt && !rate && !wrongTotal && !sizeChange &&
         !ignoreRange;
}

void FaultPlan::MergeFrom(const FaultPlan& over) {
  auto take = [](auto& mine, const auto& theirs) {
    if (theirs) mine = theirs;
  };
  take(status, over.status);
  take(resetAfter, over.resetAfter);
  take(truncate, over.truncate);
  take(stallMs, over.stallMs);
  take(stallAt, over.stallAt);
  take(rate, over.rate);
  take(wrongTotal, over.wrongTotal);
  take(sizeChange, over.sizeChange);
  ignoreRange = ignoreRange || over.ignoreRange;
}

Json::Value FaultPlan::ToJson() const {
  Json::Value out(Json::objectValue);
  Put(out, "status", status);
  Put(out, "reset_after", resetAfter);
  Put(out, "truncate", truncate);
  if (stallMs) out["stall"] = static_cast<double>(*stallMs) / 1000.0;
  Put(out, "stall_at", stallAt);
  Put(out, "rate", rate);
  Put(out, "wrong_total", wrongTotal);
  Put(out, "size_change", sizeChange);
  if (ignoreRange) out["ignore_range"] = 1;
  return out;
}

bool IsFaultName(const std::string& name) {
  static const char* const kNames[] = {"status", "reset_after", "truncate",    "stall",       "stall_at",
                                       "rate",   "wrong_total", "size_change", "ignore_range"};
  for (const char* known : kNames) {
    if (name == known) return true;
  }
  return false;
}

bool SetFault(FaultPlan& plan, const std::string& name, const std::string& value, std::string& error) {
  bool ok = false;
  if (name == "status") {
    int status = 0;
    ok = ParseInteger(value, status) && status >= 400 && status <= 599;
    if (ok) plan.status = status;
  } else if (name == "reset_after") {
    ok = ParseBytes(value, plan.resetAfter);
  } else if (name == "truncate") {
    ok = ParseBytes(value, plan.truncate);
  } else if (name == "stall") {
    ok = ParseSeconds(value, plan.stallMs);
  } else if (name == "stall_at") {
    ok = ParseBytes(value, plan.stallAt);
  } else if (name == "rate") {
    ok = ParseBytes(value, plan.rate) && *plan.rate > 0;
  } else if (name == "wrong_total") {
    ok = ParseDelta(value, plan.wrongTotal) && *plan.wrongTotal != 0;
  } else if (name == "size_change") {
    ok = ParseDelta(value, plan.sizeChange) && *plan.sizeChange != 0;
  } else if (name == "ignore_range") {
    ok = value == "0" || value == "1";
    if (ok) plan.ignoreRange = value == "1";
  } else {
    error = "unknown fault " + name;
    return false;
  }
  if (!ok) error = "bad value for " + name + ": " + value;
  return ok;
}

bool FaultsFromQuery(const std::multimap<std::string, std::string>& query, FaultPlan& plan, std::string& error) {
  for (const auto& [name, value] : query) {
    if (IsFaultName(name) && !SetFault(plan, name, value, error)) return false;
  }
  return true;
}

bool FaultQueue::ParseEntry(const Json::Value& object, Entry& entry, std::string& error) const {
  if (!object.isObject()) {
    error = "a fault entry must be an object";
    return false;
  }
  for (const std::string& name : object.getMemberNames()) {
    const Json::Value& value = object[name];
    const std::optional<std::string> text = ScalarText(value);
    if (!text) {
      error = "fault field " + name + " must be a string or a number";
      return false;
    }
    if (name == "count") {
      if (!ParseInteger(*text, entry.remaining) || entry.remaining < 1 || entry.remaining > 1000000) {
        error = "bad count: " + *text;
        return false;
      }
    } else if (name == "path_prefix") {
      entry.pathPrefix = *text;
    } else if (name == "method") {
      entry.method = *text;
    } else if (!SetFault(entry.plan, name, *text, error)) {
      return false;
    }
  }
  if (entry.plan.empty()) {
    error = "a fault entry names no fault";
    return false;
  }
  return true;
}

bool FaultQueue::Apply(const Json::Value& section, std::string& error) {
  if (section.isObject() && section.isMember("clear")) {
    if (section.size() != 1) {
      error = "\"clear\" stands alone";
      return false;
    }
    Clear();
    return true;
  }
  std::vector<Entry> parsed;
  if (section.isArray()) {
    for (const Json::Value& item : section) {
      Entry entry;
      if (!ParseEntry(item, entry, error)) return false;
      parsed.push_back(entry);
    }
  } else {
    Entry entry;
    if (!ParseEntry(section, entry, error)) return false;
    parsed.push_back(entry);
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_entries.size() + parsed.size() > kMaxQueued) {
    error = "too many queued faults";
    return false;
  }
  m_entries.insert(m_entries.end(), parsed.begin(), parsed.end());
  return true;
}

void FaultQueue::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_entries.clear();
}

std::optional<FaultPlan> FaultQueue::Take(const std::string& method, const std::string& path) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
    if (path.compare(0, it->pathPrefix.size(), it->pathPrefix) != 0) continue;
    if (!it->method.empty() && it->method != method) continue;
    FaultPlan plan = it->plan;
    if (--it->remaining <= 0) m_entries.erase(it);
    return plan;
  }
  return std::nullopt;
}

Json::Value FaultQueue::State() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  Json::Value out(Json::arrayValue);
  for (const Entry& entry : m_entries) {
    Json::Value item = entry.plan.ToJson();
    item["count"] = entry.remaining;
    item["path_prefix"] = entry.pathPrefix;
    if (!entry.method.empty()) item["method"] = entry.method;
    out.append(item);
  }
  return out;
}

}  // namespace devserver
