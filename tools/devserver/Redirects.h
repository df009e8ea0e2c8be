// Redirect chains in front of any path of this server:
//   /redirect/<n>/<path>           n hops with absolute Locations, then /<path>
//   /redirect-relative/<n>/<path>  the same with path-only (relative) Locations
//   /redirect-loop/<anything>      redirects to itself for ever
// The query string travels along. code=301|302|303|307|308 picks the status
// (302 by default); scheme=http|https the scheme of absolute Locations.
#pragma once

#include "Services.h"

namespace devserver::Redirects {

bool Register(ServiceContext& context, std::string& error);

}  // namespace devserver::Redirects
