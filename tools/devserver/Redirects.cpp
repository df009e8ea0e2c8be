#include "Redirects.h"

#include "Reply.h"

#include <charconv>

namespace devserver::Redirects {
namespace {

constexpr int kMaxHops = 100;

int RedirectCode(const Exchange& ex) {
  const std::optional<std::string> code = Param(ex.query, "code");
  if (!code) return 302;
  for (const int allowed : {301, 302, 303, 307, 308}) {
    if (*code == std::to_string(allowed)) return allowed;
  }
  return 0;
}

// The base URL for absolute Locations; empty when the scheme asked for is off.
std::string BaseFor(const Exchange& ex) {
  const std::string scheme = Param(ex.query, "scheme").value_or(ex.scheme);
  if (scheme == "https") return ex.server.httpsBase;
  if (scheme == "http") return ex.server.httpBase;
  return {};
}

void Redirect(httplib::Response& res, const Exchange& ex, int code, const std::string& location) {
  AddCdnHeaders(res, ex.style);
  SetHeader(res, ex.style, "Location", location);
  ReplyEmpty(res, code, ex.style);
}

// Works on the raw request target so that the next hop gets the path and the
// query exactly as the client spelt them.
void Hop(const std::string& variant, const httplib::Request& req, httplib::Response& res, Exchange& ex) {
  const std::size_t question = req.target.find('?');
  const std::string rawPath = req.target.substr(0, question);
  const std::string query = question == std::string::npos ? "" : req.target.substr(question);
  const std::string prefix = "/" + variant + "/";
  const std::string rest = rawPath.compare(0, prefix.size(), prefix) == 0 ? rawPath.substr(prefix.size()) : "";
  const std::size_t slash = rest.find('/');
  const std::string hopsText = rest.substr(0, slash);
  int hops = 0;
  const auto parsed = std::from_chars(hopsText.data(), hopsText.data() + hopsText.size(), hops);
  if (slash == std::string::npos || slash + 1 == rest.size() || parsed.ec != std::errc() ||
      parsed.ptr != hopsText.data() + hopsText.size() || hops < 1 || hops > kMaxHops) {
    return ReplyText(res, 400, "use /" + variant + "/<hops 1 to 100>/<path>\n", "text/plain");
  }
  const int code = RedirectCode(ex);
  if (code == 0) return ReplyText(res, 400, "code is 301, 302, 303, 307 or 308\n", "text/plain");
  const std::string target = rest.substr(slash + 1);
  const std::string next = (hops > 1 ? prefix + std::to_string(hops - 1) + "/" + target : "/" + target) + query;
  if (variant == "redirect-relative") return Redirect(res, ex, code, next);
  const std::string base = BaseFor(ex);
  if (base.empty()) return ReplyText(res, 400, "that scheme is not served\n", "text/plain");
  Redirect(res, ex, code, base + next);
}

void Loop(const httplib::Request& req, httplib::Response& res, Exchange& ex) {
  const int code = RedirectCode(ex);
  if (code == 0) return ReplyText(res, 400, "code is 301, 302, 303, 307 or 308\n", "text/plain");
  Redirect(res, ex, code, (ex.scheme == "https" ? ex.server.httpsBase : ex.server.httpBase) + req.target);
}

}  // namespace

bool Register(ServiceContext& context, std::string&) {
  for (const std::string variant : {"redirect", "redirect-relative"}) {
    context.router.Get("/" + variant + "/*", [variant](const httplib::Request& req, httplib::Response& res,
                                                       Exchange& ex) { Hop(variant, req, res, ex); });
  }
  context.router.Get("/redirect-loop", Loop);
  context.router.Get("/redirect-loop/*", Loop);
  return true;
}

}  // namespace devserver::Redirects
