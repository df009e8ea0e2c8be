#include "UserLogGaFile.h"

#include "platform/log.h"
#include "platform/read_bounded.h"
#include "weblog/JsonText.h"

#include <filesystem>
#include <fstream>

namespace {

// A damaged file counts as an empty object: it will be rewritten.
Json::Value ParsedOrEmpty(const std::optional<std::string>& text) {
  if (!text) return Json::Value(Json::objectValue);
  return ParseJsonObject(*text, kMaxGaLogBytes).value_or(Json::Value(Json::objectValue));
}

bool MemberIs(const Json::Value& root, const char* name, int expected) {
  const Json::Value& v = root[name];
  return v.isInt() && v.asInt() == expected;
}

std::optional<std::string> ReadGaLog(const std::string& path) {
  bool truncated = false;
  auto text = cwplat::ReadFileBounded(path, kMaxGaLogBytes, &truncated);
  if (text && truncated) text->clear();  // too large: damaged
  return text;
}

// Written beside the file and moved over it, so a crash never leaves half a file.
void WriteGaLog(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      CWLOG << " Cannot write " << temp;
      return;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) CWLOG << " Cannot replace " << path << ": " << ec.message();
}

}  // namespace

GaLogDecision DecideGaLogDate(const std::optional<std::string>& text, const cwplat::LocalTime& today) {
  Json::Value root = ParsedOrEmpty(text);
  if (text && MemberIs(root, "year", today.year) && MemberIs(root, "month", today.month) &&
      MemberIs(root, "day", today.day)) {
    return {0, std::nullopt};
  }
  root["year"] = today.year;
  root["month"] = today.month;
  root["day"] = today.day;
  return {1, PrettyJson(root)};
}

std::optional<std::string> DecideGaLogVersion(const std::optional<std::string>& text, const std::string& version) {
  Json::Value root = ParsedOrEmpty(text);
  const Json::Value& recorded = root["version"];
  if (text && recorded.isString() && recorded.asString() == version) return std::nullopt;
  root["version"] = version;
  return PrettyJson(root);
}

int UpdateGaLogDate(const std::string& path, const cwplat::LocalTime& today) {
  const GaLogDecision decision = DecideGaLogDate(ReadGaLog(path), today);
  if (decision.write) WriteGaLog(path, *decision.write);
  return decision.isNew;
}

void RecordGaLogVersion(const std::string& path, const std::string& version) {
  if (const auto text = DecideGaLogVersion(ReadGaLog(path), version)) WriteGaLog(path, *text);
}
