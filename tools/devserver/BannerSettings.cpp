#include "BannerSettings.h"

#include "CollectorShape.h"
#include "Json.h"

#include <algorithm>
#include <cctype>

namespace devserver::BannerService {
namespace {

const char* const kModes[] = {"list", "empty", "status", "invalid_json", "slow", "missing_picture", "not_image"};

// One path segment that needs no escaping in a URL and cannot climb out.
bool IsPictureName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxPictureName && name.front() != '.' &&
         std::all_of(name.begin(), name.end(), [](unsigned char c) {
           return std::isalnum(c) || c == '.' || c == '_' || c == '-';
         });
}

bool ReadInt(const Json::Value& value, std::int64_t low, std::int64_t high, std::int64_t& out) {
  const std::optional<std::string> text = ScalarText(value);
  std::int64_t number = 0;
  if (!text || !ParseDecimal(*text, number) || number < low || number > high) return false;
  out = number;
  return true;
}

bool ReadText(const Json::Value& value, std::size_t maxBytes, std::string& out) {
  const std::optional<std::string> text = ScalarText(value);
  if (!text || text->size() > maxBytes || !IsValidUtf8(*text)) return false;
  out = *text;
  return true;
}

bool ParseEntry(const Json::Value& value, Entry& entry, std::string& error) {
  if (!value.isObject() || value.size() != 4) {
    error = "an entry is an object with picture, jump_url, prompt and sort";
    return false;
  }
  if (!ReadText(value["picture"], kMaxPictureName, entry.picture) || !IsPictureName(entry.picture)) {
    error = "picture is a file name of letters, digits, '.', '_', '-' (at most 128)";
    return false;
  }
  if (!ReadText(value["jump_url"], kMaxUrl, entry.jumpUrl) || !ReadText(value["prompt"], kMaxText, entry.prompt)) {
    error = "jump_url (at most 2048 bytes) and prompt (at most 1024) are UTF-8 strings";
    return false;
  }
  if (!ReadInt(value["sort"], -kMaxSort, kMaxSort, entry.sort)) {
    error = "sort is an integer of -1000000 to 1000000";
    return false;
  }
  return true;
}

bool ParseEntries(const Json::Value& value, std::vector<Entry>& entries, std::string& error) {
  if (!value.isArray() || value.size() > kMaxEntries) {
    error = "entries is an array of at most 64";
    return false;
  }
  std::vector<Entry> parsed(value.size());
  for (Json::ArrayIndex i = 0; i < value.size(); ++i) {
    if (!ParseEntry(value[i], parsed[i], error)) return false;
  }
  entries = std::move(parsed);
  return true;
}

bool MergeKey(const std::string& key, const Json::Value& value, Settings& next, std::string& error) {
  if (key == "mode") {
    const std::optional<std::string> mode = ScalarText(value);
    if (mode && std::find(std::begin(kModes), std::end(kModes), *mode) != std::end(kModes)) {
      next.mode = *mode;
      return true;
    }
    error = "mode is one of list, empty, status, invalid_json, slow, missing_picture, not_image";
  } else if (key == "slow_seconds") {
    if (ReadInt(value, 0, kMaxSlowSeconds, next.slowSeconds)) return true;
    error = "slow_seconds is 0 to 30";
  } else if (key == "status_code") {
    if (ReadInt(value, 0, kMaxStatusCode, next.statusCode)) return true;
    error = "status_code is 0 to 99999";
  } else if (key == "status_msg") {
    if (ReadText(value, kMaxText, next.statusMsg)) return true;
    error = "status_msg is a UTF-8 string of at most 1024 bytes";
  } else if (key == "broken_entry") {
    if (ReadInt(value, 1, kMaxEntries, next.brokenEntry)) return true;
    error = "broken_entry is 1 to 64";
  } else if (key == "entries") {
    return ParseEntries(value, next.entries, error);
  } else {
    error = "unknown banners setting " + key;
  }
  return false;
}

// All or nothing: `settings` changes only when the whole section is good.

}  // namespace

bool Merge(const Json::Value& section, Settings& settings, std::string& error) {
  if (!section.isObject()) {
    error = "\"banners\" must be an object";
    return false;
  }
  Settings next = settings;
  for (const std::string& key : section.getMemberNames()) {
    if (!MergeKey(key, section[key], next, error)) return false;
  }
  if (IsBrokenMode(next.mode) && static_cast<std::size_t>(next.brokenEntry) > next.entries.size()) {
    error = "broken_entry is past the end of the list";
    return false;
  }
  settings = std::move(next);
  return true;
}

Json::Value State(const Settings& settings) {
  Json::Value out(Json::objectValue);
  out["mode"] = settings.mode;
  out["slow_seconds"] = Json::Int64(settings.slowSeconds);
  out["status_code"] = Json::Int64(settings.statusCode);
  out["status_msg"] = settings.statusMsg;
  out["broken_entry"] = Json::Int64(settings.brokenEntry);
  out["entries"] = Json::Value(Json::arrayValue);
  for (const Entry& entry : settings.entries) {
    Json::Value item(Json::objectValue);
    item["picture"] = entry.picture;
    item["jump_url"] = entry.jumpUrl;
    item["prompt"] = entry.prompt;
    item["sort"] = Json::Int64(entry.sort);
    out["entries"].append(item);
  }
  return out;
}

}  // namespace devserver::BannerService
