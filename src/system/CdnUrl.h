// The maker's own download hosts as they show in a URL: "//cdn." or "//dl."
// anywhere in it (a plain, case-sensitive substring test). The configuration
// keeps such URLs out of its remote paths, start-up never takes one as its
// start-up URL, and the engine watches their request counts.
#pragma once

#include <string>

bool isCdnUrl(const std::string& url);
