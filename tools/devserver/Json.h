// JSON reading and writing shared by the configuration file, the control
// endpoint and the request record. jsoncpp throws on some misuse; nothing here
// lets an exception out.
#pragma once

#include <json/json.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace devserver {

constexpr std::size_t kMaxJsonBytes = 4 * 1024 * 1024;

// Parses one JSON document (at most kMaxJsonBytes); nothing on failure.
std::optional<Json::Value> ParseJson(std::string_view text, std::string& error);

// Reads and parses a JSON file.
std::optional<Json::Value> LoadJsonFile(const std::string& path, std::string& error);

// A string or integral number as text (booleans as 1/0); nothing for other types.
std::optional<std::string> ScalarText(const Json::Value& value);

// One line of compact JSON with UTF-8 kept as is.
std::string WriteJsonLine(const Json::Value& value);

// Replaces each byte sequence that is not valid UTF-8 with U+FFFD, so that
// whatever a client sends can go into the record.
std::string ValidUtf8(std::string_view text);
bool IsValidUtf8(std::string_view text);

}  // namespace devserver
