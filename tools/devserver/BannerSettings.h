// The banner service's settings: the list it answers with and the fault
// mode, from the configuration file and the control endpoint, bounded and
// taken whole or refused.
#pragma once

#include <json/json.h>

#include <charconv>
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace devserver::BannerService {

constexpr std::size_t kMaxEntries = 64;
constexpr std::int64_t kMaxSlowSeconds = 30;
constexpr std::int64_t kMaxStatusCode = 99999;
constexpr std::int64_t kMaxSort = 1000000;
constexpr std::size_t kMaxPictureName = 128;
constexpr std::size_t kMaxUrl = 2048;
constexpr std::size_t kMaxText = 1024;

struct Entry {
  std::string picture;  // file name in <root>/banners/
  std::string jumpUrl;  // placeholders expanded when answering
  std::string prompt;
  std::int64_t sort = 0;
};

struct Settings {
  std::string mode = "list";
  std::int64_t slowSeconds = 10;
  std::int64_t statusCode = 500;
  std::string statusMsg = "service busy";
  std::int64_t brokenEntry = 1;  // counted from 1; the entry missing_picture and not_image break
  std::vector<Entry> entries = {
      {"banner_1.png", "{base}/promotion/1", "Murmelon Pro: a gift for new users", 1},
      {"banner_2.png", "{base}/promotion/2", "Half price for your first year", 2},
      {"banner_3.png", "{base}/promotion/3", "Faster sync, launched today", 3},
  };
};

inline bool IsBrokenMode(const std::string& mode) { return mode == "missing_picture" || mode == "not_image"; }

// A whole decimal text of the given integer type.
template <typename Int>
bool ParseDecimal(const std::string& text, Int& value) {
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && ptr == text.data() + text.size();
}

// Merges a settings section (all of it or nothing); false with the reason.
bool Merge(const Json::Value& section, Settings& settings, std::string& error);
// The settings as the control endpoint shows them.
Json::Value State(const Settings& settings);

}  // namespace devserver::BannerService
