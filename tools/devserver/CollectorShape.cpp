#include "CollectorShape.h"

#include "RequestNote.h"

namespace devserver {

namespace {
constexpr std::size_t kMaxProblems = 32;
constexpr std::size_t kMaxProblemLength = 64;
}  // namespace

void ShapeProblems::Add(const std::string& problem) {
  if (m_problems.size() > kMaxProblems) return;
  if (m_problems.size() == kMaxProblems) {
    m_problems.push_back("more");
    return;
  }
  std::string clean = problem.substr(0, kMaxProblemLength);
  for (char& c : clean) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7f || c == ',' || c == ';' || c == '=') c = '?';
  }
  m_problems.push_back(clean);
}

std::string ShapeProblems::Joined() const {
  std::string out;
  for (const std::string& p : m_problems) out += (out.empty() ? "" : ";") + p;
  return out;
}

void ShapeProblems::Flag() const {
  if (!empty()) CurrentNote().AddFault("malformed", Joined());
}

void ShapeProblems::RequireString(const Json::Value& object, const char* name, const std::string& prefix) {
  if (!object.isObject() || !object[name].isString()) Add(prefix + name);
}

void ShapeProblems::RequireInt(const Json::Value& object, const char* name, const std::string& prefix) {
  if (!object.isObject() || !object[name].isInt64()) Add(prefix + name);
}

void ShapeProblems::RequireMember(const Json::Value& object, const char* name, const std::string& prefix) {
  if (!object.isObject() || !object.isMember(name)) Add(prefix + name);
}

}  // namespace devserver
