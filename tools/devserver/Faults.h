// Fault injection: what may go wrong with one response, chosen per request by
// query parameters or queued for the next requests through /__control (for a
// client that cannot add query parameters, such as the program under test).
#pragma once

#include <json/json.h>

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace devserver {

struct FaultPlan {
  std::optional<int> status;               // answer this status (400..599) instead
  std::optional<std::uint64_t> resetAfter; // send N body bytes, then a TCP reset
  std::optional<std::uint64_t> truncate;   // declare the full length, send N bytes, close
  std::optional<std::int64_t> stallMs;     // stop sending this long mid-body
  std::optional<std::uint64_t> stallAt;    // body offset of the stall (default: half way)
  std::optional<std::uint64_t> rate;       // bytes per second
  std::optional<std::int64_t> wrongTotal;  // added to the Content-Range total
  std::optional<std::int64_t> sizeChange;  // added to the served file's size
  bool ignoreRange = false;                // answer 200 with the whole file to a Range request

  bool empty() const;
  // Fields set in `over` replace ours.
  void MergeFrom(const FaultPlan& over);
  Json::Value ToJson() const;
};

// Names of the fault switches, as query parameters and control fields.
bool IsFaultName(const std::string& name);

// Sets one switch; false (with a reason) for a bad value. Unknown names are an error.
bool SetFault(FaultPlan& plan, const std::string& name, const std::string& value, std::string& error);

// Reads the fault switches among the query parameters (others are left alone).
bool FaultsFromQuery(const std::multimap<std::string, std::string>& query, FaultPlan& plan, std::string& error);

// Faults waiting for the next requests whose method and path match.
class FaultQueue {
 public:
  struct Entry {
    FaultPlan plan;
    int remaining = 1;
    std::string pathPrefix = "/";
    std::string method;  // empty = any method
  };

  // Accepts {"count":N,"path_prefix":"/files/","method":"GET", <fault>: <value>...},
  // an array of those, or {"clear":true}.
  bool Apply(const Json::Value& section, std::string& error);
  void Clear();
  // The plan of the first matching entry (used up by one request), or nothing.
  std::optional<FaultPlan> Take(const std::string& method, const std::string& path);
  Json::Value State() const;

 private:
  bool ParseEntry(const Json::Value& object, Entry& entry, std::string& error) const;

  mutable std::mutex m_mutex;
  std::deque<Entry> m_entries;
};

}  // namespace devserver
