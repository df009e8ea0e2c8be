// What kind of host a download URL points at.
#pragma once

#include <string>

// 10 the maker's own download hosts ("dl.", "cdn." or no real host), 12 the
// Alibaba CDN, 13 the AWS CDN, 11 anything else. The CDN host names come from
// the deployment file (host lists "AlibabaCdnHosts" and "AwsCdnHosts").
int classifyDownloadHost(const std::string& url);
