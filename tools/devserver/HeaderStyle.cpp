#include "HeaderStyle.h"

#include "Json.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace devserver {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

bool IsToken(const std::string& text) {
  return !text.empty() && text.size() <= 64 &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isalnum(c) || c == '-'; });
}

}  // namespace

bool HeaderStyle::SetCdn(const std::string& list, std::string& error) {
  std::string cfStatus;
  bool front = false;
  std::stringstream items(list);
  std::string item;
  while (std::getline(items, item, ',')) {
    item = Lower(item);
    if (item == "none" || item.empty()) continue;
    if (item == "cloudfront") {
      front = true;
    } else if (item.rfind("cf-", 0) == 0 && IsToken(item.substr(3))) {
      cfStatus = Upper(item.substr(3));
    } else {
      error = "bad cdn switch: " + item;
      return false;
    }
  }
  cfCacheStatus = cfStatus;
  cloudfront = front;
  return true;
}

std::string HeaderStyle::CdnText() const {
  std::string text;
  if (!cfCacheStatus.empty()) text = "cf-" + Lower(cfCacheStatus);
  if (cloudfront) text += text.empty() ? "cloudfront" : ",cloudfront";
  return text.empty() ? "none" : text;
}

void SetHeader(httplib::Response& res, const HeaderStyle& style, const std::string& name, const std::string& value) {
  res.headers.erase(name);  // the header map compares names without case
  res.headers.emplace(style.lowercase ? Lower(name) : name, value);
}

void AddCdnHeaders(httplib::Response& res, const HeaderStyle& style) {
  if (!style.cfCacheStatus.empty()) {
    SetHeader(res, style, "CF-RAY", style.cfRay);
    SetHeader(res, style, "CF-Cache-Status", style.cfCacheStatus);
  }
  if (style.cloudfront) SetHeader(res, style, "X-Cache", "Hit from cloudfront");
}

bool HeaderStyleSettings::Merge(const Json::Value& section, HeaderStyle& style, std::string& error) {
  if (!section.isObject()) {
    error = "\"switches\" must be an object";
    return false;
  }
  HeaderStyle next = style;
  for (const std::string& name : section.getMemberNames()) {
    const std::optional<std::string> text = ScalarText(section[name]);
    if (!text) {
      error = "switch " + name + " must be a string, number or boolean";
      return false;
    }
    if (name == "cdn") {
      if (!next.SetCdn(*text, error)) return false;
    } else if (name == "cf_ray") {
      if (!IsToken(*text)) {
        error = "bad cf_ray: " + *text;
        return false;
      }
      next.cfRay = *text;
    } else if (name == "lowercase_headers") {
      if (*text != "0" && *text != "1") {
        error = "lowercase_headers is a boolean";
        return false;
      }
      next.lowercase = *text == "1";
    } else {
      error = "unknown switch " + name;
      return false;
    }
  }
  style = next;
  return true;
}

bool HeaderStyleSettings::Configure(const Json::Value& section, std::string& error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  HeaderStyle style;
  if (!section.isNull() && !Merge(section, style, error)) return false;
  m_base = m_current = style;
  return true;
}

bool HeaderStyleSettings::Apply(const Json::Value& section, std::string& error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Merge(section, m_current, error);
}

void HeaderStyleSettings::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_current = m_base;
}

Json::Value HeaderStyleSettings::State() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  Json::Value out(Json::objectValue);
  out["cdn"] = m_current.CdnText();
  out["cf_ray"] = m_current.cfRay;
  out["lowercase_headers"] = m_current.lowercase;
  return out;
}

HeaderStyle HeaderStyleSettings::Current() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_current;
}

bool HeaderStyleSettings::ForRequest(const Query& query, HeaderStyle& style, std::string& error) const {
  style = Current();
  if (const auto cdn = Param(query, "cdn"); cdn && !style.SetCdn(*cdn, error)) return false;
  if (const auto lower = Param(query, "lower")) {
    if (*lower != "0" && *lower != "1") {
      error = "lower is 0 or 1";
      return false;
    }
    style.lowercase = *lower == "1";
  }
  return true;
}

}  // namespace devserver
