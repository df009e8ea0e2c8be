// The distribution channel of this copy of the downloader, from the site id of
// the embedded configuration and the search-campaign marker its download
// address may carry ("..._bing_...").
#pragma once

#include <string>

namespace FuntionImpl {

// With the site id the user event log was given by InitUserInfo.
std::string GetChannelName(const std::string& downloadAddress);
// Markers are found anywhere in the lower-cased address; the first of a
// row's markers found decides; an unknown site id is its decimal text.
std::string GetChannelName(int siteId, const std::string& downloadAddress);

}  // namespace FuntionImpl
