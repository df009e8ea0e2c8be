#include "ExceptionService.h"

#include "CollectorShape.h"
#include "Reply.h"

#include <algorithm>
#include <cctype>

namespace devserver::ExceptionService {
namespace {

const char* const kCodes[] = {"Url_Too_Many_Redirects",   "MD5_Hash_Check_Fail_Cfg1", "MD5_Hash_Check_Fail_Cfg2",
                              "MD5_Check_Fail_Cfg1",      "MD5_Check_Fail_Cfg2",      "Hash_Check_Fail_Cfg1",
                              "Hash_Check_Fail_Cfg2"};

bool IsInteger(const std::string& s) {
  const std::size_t start = !s.empty() && s[0] == '-' ? 1 : 0;
  return s.size() > start && s.size() <= 11 &&
         std::all_of(s.begin() + static_cast<long>(start), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

ShapeProblems CheckReport(const httplib::Request& req) {
  ShapeProblems problems;
  if (req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) != 0) {
    problems.Add("content_type");
  }
  const std::string& body = req.body;
  const std::size_t at = body.find("&other=");
  if (at == std::string::npos) {
    problems.Add("missing.other");
  } else if (body.find(',', at) == std::string::npos) {
    problems.Add("other");
  }
  // Before "&other=": exactly pid, type and exception_code, in that order.
  const std::string head = body.substr(0, at);
  const char* const names[] = {"pid", "type", "exception_code"};
  std::size_t from = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t end = std::min(head.find('&', from), head.size());
    const std::string field = from <= head.size() ? head.substr(from, end - from) : std::string();
    const std::string prefix = std::string(names[i]) + "=";
    const std::string value = field.rfind(prefix, 0) == 0 ? field.substr(prefix.size()) : std::string();
    if (field.rfind(prefix, 0) != 0) {
      problems.Add("missing." + std::string(names[i]));
    } else if (i == 0 && !IsInteger(value)) {
      problems.Add("pid");
    } else if (i == 1 && value != "2") {
      problems.Add("type");
    } else if (i == 2 && std::find(std::begin(kCodes), std::end(kCodes), value) == std::end(kCodes)) {
      problems.Add("exception_code");
    }
    from = end + 1;
  }
  if (from < head.size()) problems.Add("extra_fields");
  return problems;
}

void Answer(const httplib::Request& req, httplib::Response& res, const Exchange& ex) {
  CheckReport(req).Flag();
  ReplyText(res, 200, "{\"code\":0,\"msg\":\"ok\"}", "application/json", ex.style);
}

}  // namespace

bool Register(ServiceContext& context, std::string&) {
  context.router.Post("/api/exception/send", Answer);
  return true;
}

}  // namespace devserver::ExceptionService
