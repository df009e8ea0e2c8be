#include "FunnelReport.h"

#include "JsonText.h"

#include <chrono>

namespace {

// Members copied from the input, with the value a missing one takes.
struct Copied {
  const char* name;
  enum { Zero, Text, Null } missing;
};

const Copied kCommonFromInput[] = {
    {"pid", Copied::Zero},         {"brand", Copied::Text},         {"model", Copied::Text},
    {"channel", Copied::Text},     {"is_new", Copied::Null},        {"product", Copied::Text},
    {"product_version", Copied::Text}, {"email", Copied::Text},     {"phone", Copied::Text},
    {"is_vip", Copied::Null},      {"is_login", Copied::Null},      {"user_id", Copied::Null},
    {"cross_end_id", Copied::Null}, {"source_type", Copied::Null},  {"rnclid", Copied::Null},
    {"tools_version", Copied::Text}, {"tools_lang", Copied::Text},  {"kit_type", Copied::Text},
};

Json::Value Missing(const Copied& c) {
  switch (c.missing) {
    case Copied::Zero:
      return Json::Value(0);
    case Copied::Text:
      return Json::Value("");
    case Copied::Null:
      break;
  }
  return Json::Value(Json::nullValue);
}

Json::Value Member(const Json::Value& input, const char* name) {
  return input.isMember(name) ? input[name] : Json::Value(Json::nullValue);
}

Json::Value Monitor(const Json::Value& input) {
  Json::Value ext(Json::objectValue);
  ext["parent_pid"] = Member(input, "monitor_main_pid");
  ext["pid"] = Member(input, "monitor_sub_pid");
  ext["ext_others"] = Member(input, "monitor_ext1");
  Json::Value param(Json::objectValue);
  param["start_time"] = Member(input, "monitor_start_time");
  param["error_time"] = Member(input, "monitor_error_time");
  param["line_id"] = Member(input, "monitor_line_id");
  param["error_code"] = Member(input, "monitor_error_code");
  param["total_memory"] = Member(input, "monitor_total_memory");
  param["remain_memory"] = Member(input, "monitor_remain_memory");
  param["user_ext"] = Member(input, "monitor_user_ext");
  param["ext"] = ext;
  Json::Value monitor(Json::objectValue);
  monitor["monitor_type"] = input["monitor_type"];
  monitor["guid"] = Member(input, "monitor_guid");
  monitor["param"] = param;
  return monitor;
}

}  // namespace

Json::Value ParseFunnelInput(std::string_view text) {
  return ParseJsonObject(text, kMaxFunnelInputBytes).value_or(Json::Value(Json::objectValue));
}

Json::Value BuildFunnelReport(const Json::Value& input, const MachineFacts& facts, const std::string& sessionId,
                              std::int64_t timestampMs) {
  const Json::Value empty(Json::objectValue);
  const Json::Value& in = input.isObject() ? input : empty;

  Json::Value common(Json::objectValue);
  for (const Copied& c : kCommonFromInput) common[c.name] = in.isMember(c.name) ? in[c.name] : Missing(c);
  common["uid"] = facts.uid;
  common["session_id"] = sessionId;
  common["mac"] = facts.mac;
  common["os"] = facts.os;
  common["os_version"] = facts.osVersion;

  Json::Value out(Json::objectValue);
  out["version"] = kFunnelReportVersion;
  out["common"] = common;
  if (in.isMember("entry")) {
    Json::Value start(Json::objectValue);
    start["entry"] = in["entry"];
    out["start"] = start;
  }
  out["actions"] = Member(in, "actions");
  if (in.isMember("monitor_type")) out["monitor"] = Monitor(in);
  out["ts"] = Json::Int64{timestampMs};
  return out;
}

std::int64_t UnixTimeMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}
