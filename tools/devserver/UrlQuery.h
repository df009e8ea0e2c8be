// The query of a request target. The HTTP library merges the fields of a
// form-encoded POST body into the same parameter list; faults, switches and
// the record must see the URL's query alone.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace devserver {

using Query = std::multimap<std::string, std::string>;

// Splits the part after '?' at '&' and '=', decoding %XX and '+'.
Query ParseQuery(const std::string& target);

// The first value of `name`, or nothing.
std::optional<std::string> Param(const Query& query, const std::string& name);

}  // namespace devserver
