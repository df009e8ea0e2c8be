// JSON text in and out, safely: parsing never throws and refuses oversized or
// too deeply nested text; writing is compact or indented.
#pragma once

#include <json/json.h>

#include <optional>
#include <string>
#include <string_view>

// The text's value when it is a JSON object of at most maxBytes; nothing for
// anything else (too large, malformed, nested deeper than 256, not an object).
std::optional<Json::Value> ParseJsonObject(std::string_view text, std::size_t maxBytes);

// One line without whitespace.
std::string CompactJson(const Json::Value& value);
// Indented with tabs, one member per line.
std::string PrettyJson(const Json::Value& value);
