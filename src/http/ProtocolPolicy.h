// The schemes a handle may open: http and https, for the first request and
// for every redirect. libcurl would otherwise also follow a Location to ftp://
// and open file://, scp:// and the like when a URL from a document or a
// server names them.
#pragma once

#include <curl/curl.h>

// Restricts the handle; a result other than CURLE_OK means the restriction is
// not in place and the caller must not perform the transfer.
CURLcode ApplyProtocolPolicy(CURL* curl);
