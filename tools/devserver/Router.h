// Routes requests to the service families and applies what every route
// shares: the fault plan and header style of the request, the record line,
// and answers the HTTP library would otherwise give on its own terms.
#pragma once

#include "Faults.h"
#include "HeaderStyle.h"
#include "UrlQuery.h"

#include <httplib.h>

#include <functional>
#include <string>
#include <vector>

namespace devserver {

class Recorder;

// Where this server can be reached; filled once the ports are bound, before
// the first request.
struct ServerInfo {
  std::string httpBase;   // "http://127.0.0.1:18080"
  std::string httpsBase;  // empty when HTTPS is off
};

// One request as a route handler sees it.
struct Exchange {
  const ServerInfo& server;
  std::string scheme;  // of the listener that received the request: "http" or "https"
  Query query;         // of the URL (never a form body)
  std::string rest;    // for a prefix route ("/files/*"): the decoded path after the prefix
  FaultPlan faults;    // queued for this request, then overridden by its query
  HeaderStyle style;
  bool head = false;   // a HEAD request answered by a GET route
};

using RouteHandler = std::function<void(const httplib::Request&, httplib::Response&, Exchange&)>;

struct RouteOptions {
  bool faults = true;       // queued faults apply (status= answers before the handler runs)
  bool queryParams = true;  // fault and style switches are read from the query
};

class Router {
 public:
  Router(FaultQueue& faults, HeaderStyleSettings& styles, const ServerInfo& info, Recorder* recorder);

  // A pattern is an exact path, or a prefix ending in "*" ("/files/*"). The
  // first route added that matches wins. A GET route also answers HEAD; the
  // library then sends no body.
  void Get(const std::string& pattern, RouteHandler handler, RouteOptions options = {});
  void Post(const std::string& pattern, RouteHandler handler, RouteOptions options = {});

  // Sends every request of `server` through this router and the record.
  void Install(httplib::Server& server, const std::string& scheme);

 private:
  struct Route {
    std::string method;
    std::string path;  // exact path, or the prefix when `prefix` is set
    bool prefix = false;
    RouteHandler handler;
    RouteOptions options;
  };

  void Add(const std::string& method, const std::string& pattern, RouteHandler handler, RouteOptions options);
  void Dispatch(const httplib::Request& req, httplib::Response& res, const std::string& scheme);
  bool Prepare(const httplib::Request& req, const Route& route, Exchange& exchange, std::string& error);

  FaultQueue& m_faults;
  HeaderStyleSettings& m_styles;
  const ServerInfo& m_info;
  Recorder* m_recorder;
  std::vector<Route> m_routes;
};

}  // namespace devserver
