// Small complete answers (documents, errors, redirects).
#pragma once

#include "HeaderStyle.h"

#include <httplib.h>

#include <cstdint>
#include <string>

namespace devserver {

// Every body goes out through a content provider without a length, with our
// own Content-Length header: the library then sends it as it is, where it
// would cut a plain body down to the bytes a Range header asks for.
void ReplyText(httplib::Response& res, int status, std::string body, const std::string& contentType,
               const HeaderStyle& style = HeaderStyle{});

// An answer without a body (redirects): Content-Length 0.
void ReplyEmpty(httplib::Response& res, int status, const HeaderStyle& style = HeaderStyle{});

// Content type plus our own length; used by every answer that has a body.
void SetBodyHeaders(httplib::Response& res, const HeaderStyle& style, const std::string& contentType,
                    std::uint64_t contentLength);

}  // namespace devserver
