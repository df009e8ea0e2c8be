// Package hosting: GET and HEAD of /files/<name> from the served folder, with
// byte ranges, CDN headers and the body faults.
#pragma once

#include "Services.h"

namespace devserver::FileHosting {

// False (with a reason) when its configuration section is unusable.
bool Register(ServiceContext& context, std::string& error);

}  // namespace devserver::FileHosting
