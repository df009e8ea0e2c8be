#include "Router.h"

#include "Recorder.h"
#include "Reply.h"
#include "RequestNote.h"

#include <exception>

namespace devserver {
namespace {

bool MethodMatches(const std::string& routeMethod, const std::string& method) {
  return routeMethod == method || (routeMethod == "GET" && method == "HEAD");
}

// After the library has applied a multi-range request to our answer, it has
// put a multipart/byteranges type on a body we send whole: put ours back.
void RestoreContentType(const httplib::Request& req, httplib::Response& res) {
  const RequestNote& note = CurrentNote();
  if (!note.routed || req.ranges.size() < 2 || note.contentType.empty()) return;
  HeaderStyle style;
  style.lowercase = note.lowercaseHeaders;
  SetHeader(res, style, "Content-Type", note.contentType);
}

}  // namespace

Router::Router(FaultQueue& faults, HeaderStyleSettings& styles, const ServerInfo& info, Recorder* recorder)
    : m_faults(faults), m_styles(styles), m_info(info), m_recorder(recorder) {}

void Router::Get(const std::string& pattern, RouteHandler handler, RouteOptions options) {
  Add("GET", pattern, std::move(handler), options);
}

void Router::Post(const std::string& pattern, RouteHandler handler, RouteOptions options) {
  Add("POST", pattern, std::move(handler), options);
}

void Router::Add(const std::string& method, const std::string& pattern, RouteHandler handler, RouteOptions options) {
  const bool prefix = !pattern.empty() && pattern.back() == '*';
  m_routes.push_back(Route{method, prefix ? pattern.substr(0, pattern.size() - 1) : pattern, prefix,
                           std::move(handler), options});
}

bool Router::Prepare(const httplib::Request& req, const Route& route, Exchange& exchange, std::string& error) {
  if (route.options.faults) {
    if (auto queued = m_faults.Take(req.method, req.path)) exchange.faults = *queued;
  }
  if (!route.options.queryParams) {
    exchange.style = m_styles.Current();
    return true;
  }
  FaultPlan fromQuery;
  if (!FaultsFromQuery(exchange.query, fromQuery, error)) return false;
  exchange.faults.MergeFrom(fromQuery);
  return m_styles.ForRequest(exchange.query, exchange.style, error);
}

void Router::Dispatch(const httplib::Request& req, httplib::Response& res, const std::string& scheme) {
  RequestNote& note = CurrentNote();
  note.routed = true;
  if (note.received == std::chrono::system_clock::time_point{}) note.received = std::chrono::system_clock::now();

  const Route* found = nullptr;
  std::string allowed;
  for (const Route& route : m_routes) {
    const bool pathMatches = route.prefix ? req.path.compare(0, route.path.size(), route.path) == 0
                                          : req.path == route.path;
    if (!pathMatches) continue;
    if (MethodMatches(route.method, req.method)) {
      found = &route;
      break;
    }
    allowed += allowed.empty() ? route.method : ", " + route.method;
  }
  if (found == nullptr) {
    if (allowed.empty()) {
      ReplyText(res, 404, "not found: " + req.path + "\n", "text/plain");
    } else {
      res.set_header("Allow", allowed);
      ReplyText(res, 405, "method not allowed\n", "text/plain");
    }
    return;
  }

  const std::string rest = found->prefix ? req.path.substr(found->path.size()) : std::string();
  Exchange exchange{m_info, scheme, ParseQuery(req.target), rest, {}, {}, req.method == "HEAD"};
  std::string error;
  if (!Prepare(req, *found, exchange, error)) {
    ReplyText(res, 400, error + "\n", "text/plain");
    return;
  }
  if (exchange.faults.status) {
    note.AddFault("status", std::to_string(*exchange.faults.status));
    ReplyText(res, *exchange.faults.status, "injected fault: status " + std::to_string(*exchange.faults.status) + "\n",
              "text/plain", exchange.style);
    return;
  }
  try {
    found->handler(req, res, exchange);
  } catch (const std::exception& e) {
    res = httplib::Response{};
    ReplyText(res, 500, std::string("devserver error: ") + e.what() + "\n", "text/plain");
  }
  if (res.status == -1) res.status = 200;
}

void Router::Install(httplib::Server& server, const std::string& scheme) {
  const auto handler = [this, scheme](const httplib::Request& req, httplib::Response& res) {
    Dispatch(req, res, scheme);
  };
  const std::string any = R"([\s\S]*)";
  server.Get(any, handler);
  server.Post(any, handler);
  server.Put(any, handler);
  server.Patch(any, handler);
  server.Delete(any, handler);
  server.Options(any, handler);

  server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
    CurrentNote().received = std::chrono::system_clock::now();
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // The library refuses a Range header it cannot parse with a bare 416 before
  // any route runs. A range set we cannot use is ignored instead (the whole
  // body, 200), which is what our own range handling does with it.
  const httplib::Server::HandlerWithResponse onError = [this, scheme](const httplib::Request& req,
                                                                       httplib::Response& res) {
    if (CurrentNote().routed || res.status != 416) return httplib::Server::HandlerResponse::Unhandled;
    res = httplib::Response{};
    Dispatch(req, res, scheme);
    return httplib::Server::HandlerResponse::Handled;
  };
  server.set_error_handler(onError);
  server.set_post_routing_handler(RestoreContentType);
  server.set_logger([this, scheme](const httplib::Request& req, const httplib::Response& res) {
    if (m_recorder != nullptr) m_recorder->Record(req, res, scheme, CurrentNote());
    ClearCurrentNote();
  });
}

}  // namespace devserver
