// What the collectors found wrong with a request's shape. The problems go into
// the request's record line as one "malformed=a;b;c" entry of its `fault`
// field, so a product team reading the record sees what its installer sends.
#pragma once

#include <json/json.h>

#include <string>
#include <vector>

namespace devserver {

class ShapeProblems {
 public:
  // Kept short and free of the record's separators; past 32 problems only a
  // "more" marker is added.
  void Add(const std::string& problem);
  bool empty() const { return m_problems.empty(); }
  std::string Joined() const;
  // Adds the entry to the current request's record (nothing when all is well).
  void Flag() const;

  // Member checks on a JSON object; `prefix` names the object in the problem.
  void RequireString(const Json::Value& object, const char* name, const std::string& prefix);
  void RequireInt(const Json::Value& object, const char* name, const std::string& prefix);
  void RequireMember(const Json::Value& object, const char* name, const std::string& prefix);

 private:
  std::vector<std::string> m_problems;
};

}  // namespace devserver
