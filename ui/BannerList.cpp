#include "ui/BannerList.h"

#include <json/json.h>

#include <memory>

namespace ui {
namespace {

std::string Text(const Json::Value& element, const char* key) {
  const Json::Value& value = element[key];
  if (!value.isString()) return "";
  std::string text = value.asString();
  return text.size() <= kMaxBannerTextBytes ? text : std::string();
}

BannerElement ReadElement(const Json::Value& element) {
  BannerElement out;
  if (!element.isObject()) return out;
  out.pictureUrl = Text(element, "banner_url");
  out.linkUrl = Text(element, "jump_url");
  out.prompt = Text(element, "prompt");
  const Json::Value& sort = element["sort"];
  if (sort.isInt() && sort.asInt() >= 0 && sort.asInt() <= kMaxBannerSort) out.sort = sort.asInt();
  out.usable = !out.pictureUrl.empty() && out.sort >= 0;
  return out;
}

}  // namespace

BannerList ReadBannerList(const std::string& answer) {
  BannerList list;
  if (answer.size() > kMaxBannerAnswerBytes) {
    list.outcome = "answer too large";
    return list;
  }
  Json::CharReaderBuilder builder;
  builder["stackLimit"] = kMaxBannerJsonDepth;
  builder["collectComments"] = false;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  bool parsed = false;
  try {
    parsed = reader->parse(answer.data(), answer.data() + answer.size(), &root, &errors);
  } catch (const std::exception&) {
    parsed = false;  // the reader throws when the nesting passes the limit
  }
  if (!parsed) {
    list.outcome = "parse error";
    return list;
  }
  if (answer.find("\"code\"") != std::string::npos &&
      !(root.isObject() && root["code"].isInt() && root["code"].asInt() == 200)) {
    list.outcome = "status";
    return list;
  }
  if (!root.isArray()) {
    list.outcome = "not a list";
    return list;
  }
  if (root.size() > kMaxBanners) {
    list.outcome = "too many banners";
    return list;
  }
  list.ok = true;
  list.outcome = "ok";
  for (const Json::Value& element : root) list.elements.push_back(ReadElement(element));
  return list;
}

std::string BannerSuffix(const std::string& pictureUrl) {
  const std::size_t dot = pictureUrl.rfind('.');
  if (dot == std::string::npos) return "";
  const std::string suffix = pictureUrl.substr(dot);
  if (suffix.size() < 2 || suffix.size() > 9) return "";
  for (std::size_t i = 1; i < suffix.size(); ++i) {
    const char c = suffix[i];
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return "";
  }
  return suffix;
}

std::string BannerPictureFile(const std::string& folder, int sort, const std::string& pictureUrl) {
  return folder + "/" + std::to_string(sort) + BannerSuffix(pictureUrl);
}

}  // namespace ui
