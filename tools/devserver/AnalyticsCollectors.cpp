#include "AnalyticsCollectors.h"

#include "CollectorShape.h"
#include "Json.h"
#include "Reply.h"
#include "RequestNote.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <set>

namespace devserver::AnalyticsCollectors {
namespace {

const char* const kGa4Modes[] = {"204", "200", "400"};

// The parameters a page-view hit carries, each exactly once.
const char* const kGa4Params[] = {"v",
                                  "cid",
                                  "tid",
                                  "en",
                                  "ep.cw_productname",
                                  "ep.cw_productversion",
                                  "ep.cw_category",
                                  "ep.cw_action",
                                  "ep.cw_label",
                                  "ep.cd1",
                                  "ep.cd2",
                                  "ep.cd3",
                                  "ep.cd4",
                                  "ep.cd5",
                                  "ep.cd6",
                                  "ep.cd7",
                                  "ep.cd8"};

const char* const kCommonStrings[] = {"uid",   "session_id", "brand", "model",   "channel",         "mac",
                                      "os",    "os_version", "product", "product_version", "email", "phone",
                                      "tools_version", "tools_lang"};
const char* const kCommonAny[] = {"is_vip", "is_login", "user_id", "cross_end_id", "source_type", "rnclid", "kit_type"};
const char* const kTopLevel[] = {"version", "common", "start", "actions", "monitor", "ts"};

bool IsUpperHex(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
  });
}

bool IsHex(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool ValidGa4Mode(const std::string& mode) {
  return std::find(std::begin(kGa4Modes), std::end(kGa4Modes), mode) != std::end(kGa4Modes);
}

void CheckContentType(const httplib::Request& req, ShapeProblems& problems) {
  if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0) problems.Add("content_type");
}

ShapeProblems CheckGa4(const httplib::Request& req, const Query& query) {
  ShapeProblems problems;
  CheckContentType(req, problems);
  if (!req.body.empty()) problems.Add("body");
  for (const char* name : kGa4Params) {
    const std::size_t n = query.count(name);
    if (n == 0) problems.Add("missing." + std::string(name));
    if (n > 1) problems.Add("repeated." + std::string(name));
  }
  std::set<std::string> known(std::begin(kGa4Params), std::end(kGa4Params));
  for (const auto& [name, value] : query) {
    if (known.count(name) == 0) problems.Add("unknown." + name);
  }
  if (Param(query, "v").value_or("2") != "2") problems.Add("v");
  if (const auto cid = Param(query, "cid"); cid && !IsUpperHex(*cid)) problems.Add("cid");
  if (const auto tid = Param(query, "tid"); tid && tid->rfind("G-", 0) != 0) problems.Add("tid");
  if (Param(query, "en").value_or("x").empty()) problems.Add("en");
  if (Param(query, "en") != Param(query, "ep.cw_action")) problems.Add("en_not_action");
  if (const auto cd8 = Param(query, "ep.cd8"); cd8 && *cd8 != "0" && *cd8 != "1") problems.Add("ep.cd8");
  return problems;
}

ShapeProblems CheckFunnel(const httplib::Request& req) {
  ShapeProblems problems;
  CheckContentType(req, problems);
  std::string error;
  const std::optional<Json::Value> body = ParseJson(req.body, error);
  if (!body || !body->isObject()) {
    problems.Add("not_json_object");
    return problems;
  }
  const Json::Value& root = *body;
  for (const std::string& name : root.getMemberNames()) {
    if (std::find(std::begin(kTopLevel), std::end(kTopLevel), name) == std::end(kTopLevel)) {
      problems.Add("unknown." + name);
    }
  }
  if (root["version"] != "2.0") problems.Add("version");
  if (!root["ts"].isInt64() || root["ts"].asInt64() <= 0) problems.Add("ts");

  const Json::Value& common = root["common"];
  if (!common.isObject()) {
    problems.Add("common");
  } else {
    for (const char* name : kCommonStrings) problems.RequireString(common, name, "common.");
    for (const char* name : kCommonAny) problems.RequireMember(common, name, "common.");
    problems.RequireInt(common, "pid", "common.");
    problems.RequireMember(common, "is_new", "common.");
    const Json::Value& session = common["session_id"];
    if (session.isString() && (session.asString().size() != 32 || !IsHex(session.asString()))) {
      problems.Add("common.session_id_form");
    }
  }

  const Json::Value& actions = root["actions"];
  if (!actions.isObject()) {
    problems.Add("actions");
  } else {
    for (const char* name : {"event_type", "event_category", "event_action"}) {
      problems.RequireString(actions, name, "actions.");
    }
    if (actions.isMember("core_func_name")) problems.RequireInt(actions, "func_step", "actions.");
  }
  if (root.isMember("start") && (!root["start"].isObject() || !root["start"].isMember("entry"))) {
    problems.Add("start");
  }
  if (root.isMember("monitor")) {
    const Json::Value& monitor = root["monitor"];
    if (!monitor.isObject() || !monitor.isMember("monitor_type") || !monitor["param"].isObject()) {
      problems.Add("monitor");
    }
  }
  return problems;
}

class Service {
 public:
  bool Configure(const Json::Value& section, std::string& error) {
    std::string mode = "204";
    if (!section.isNull() && !Merge(section, mode, error)) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_base = m_mode = mode;
    return true;
  }

  Control::Section ControlSection() {
    return Control::Section{[this](const Json::Value& section, std::string& error) {
                              std::lock_guard<std::mutex> lock(m_mutex);
                              return Merge(section, m_mode, error);
                            },
                            [this] {
                              std::lock_guard<std::mutex> lock(m_mutex);
                              Json::Value out(Json::objectValue);
                              out["ga4_mode"] = m_mode;
                              return out;
                            },
                            [this] {
                              std::lock_guard<std::mutex> lock(m_mutex);
                              m_mode = m_base;
                            }};
  }

  void AnswerGa4(const httplib::Request& req, httplib::Response& res, const Exchange& ex) {
    std::string mode;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      mode = m_mode;
    }
    CheckGa4(req, ex.query).Flag();
    if (mode == "204") return ReplyEmpty(res, 204, ex.style);
    CurrentNote().AddFault("ga4_mode", mode);
    if (mode == "200") return ReplyText(res, 200, "", "text/plain", ex.style);
    ReplyText(res, 400, "{\"error\":\"bad request\"}", "application/json", ex.style);
  }

 private:
  static bool Merge(const Json::Value& section, std::string& mode, std::string& error) {
    if (!section.isObject()) {
      error = "\"analytics\" must be an object";
      return false;
    }
    std::string next = mode;
    for (const std::string& key : section.getMemberNames()) {
      const std::optional<std::string> text = ScalarText(section[key]);
      if (key != "ga4_mode") {
        error = "unknown analytics setting " + key;
        return false;
      }
      if (!text || !ValidGa4Mode(*text)) {
        error = "ga4_mode is one of 204, 200, 400";
        return false;
      }
      next = *text;
    }
    mode = next;
    return true;
  }

  std::mutex m_mutex;
  std::string m_base = "204";
  std::string m_mode = "204";
};

void AnswerFunnel(const httplib::Request& req, httplib::Response& res, const Exchange& ex) {
  CheckFunnel(req).Flag();
  ReplyText(res, 200, "{\"code\":0,\"msg\":\"success\"}", "application/json", ex.style);
}

}  // namespace

bool Register(ServiceContext& context, std::string& error) {
  auto service = std::make_shared<Service>();
  if (!service->Configure(context.config["analytics"], error)) {
    error = "\"analytics\": " + error;
    return false;
  }
  context.control.AddSection("analytics", service->ControlSection());
  // The hit's own parameters are never fault or header switches.
  const RouteOptions options{.faults = true, .queryParams = false};
  context.router.Post(
      "/g/collect",
      [service](const httplib::Request& req, httplib::Response& res, Exchange& ex) { service->AnswerGa4(req, res, ex); },
      options);
  context.router.Post("/collect", AnswerFunnel);
  context.router.Post("/collector", AnswerFunnel);
  return true;
}

}  // namespace devserver::AnalyticsCollectors
