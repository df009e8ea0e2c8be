#include "ChannelName.h"

#include "SingleUserLog.h"

#include <algorithm>
#include <cctype>

namespace FuntionImpl {
namespace {

// A row's markers, tried in order; unused places are null.
struct Marker {
  const char* texts[2];
  const char* channel;
};

struct Row {
  int siteIds[2];  // the second is 0 when the row has one id
  Marker markers[2];
  const char* unmarked;
};

constexpr const char* kBing[2] = {"_bing_", "_bing."};
constexpr const char* kYahoo[2] = {"_yahoo_", "_yahoo."};

constexpr Marker Bing(const char* channel) { return {{kBing[0], kBing[1]}, channel}; }
constexpr Marker Yahoo(const char* channel) { return {{kYahoo[0], kYahoo[1]}, channel}; }

constexpr Row kRows[] = {
    {{1}, {}, "CW"},
    {{2}, {Bing("CWNET-Bing"), Yahoo("CWNET-Yahoo")}, "CWNET"},
    {{5}, {}, "Brindle"},
    {{206}, {Bing("BrindleNet-Bing"), Yahoo("BrindleNet-Yahoo")}, "BrindleNet"},
    {{10}, {}, "Tessel"},
    {{8}, {Bing("TesselNET-Bing")}, "TesselNET"},
    {{54, 118}, {}, "ZHCN"},
    {{12}, {}, "Fennick"},
    {{61}, {{{"_online", "_online."}, "QuorlaOnline"}}, "Quorla"},
    {{74}, {Bing("QuorlaNet-Bing"), Yahoo("QuorlaNet-Yahoo")}, "QuorlaNet"},
    {{6}, {}, "Tool"},
    {{14}, {}, "Card"},
    // Row 66 tests only its own marker; row 84 takes "_bing." but not "_bing_".
    {{66}, {{{"_zephrafree."}, "ZephraFree"}}, "Zephra"},
    {{84}, {{{"_bing.", "_zephrabing."}, "ZephraNet-Bing"}}, "ZephraNet"},
    {{93, 127}, {}, "HalvardCN"},
    {{90}, {}, "Mirrowbay"},
    {{188}, {}, "Tamsin"},
    {{272}, {}, "Ustrel"},
    {{293}, {}, "UstrelNet"},
    {{271}, {}, "Balmor"},
    {{305}, {}, "BalmorNet"},
    {{133, 290}, {}, "HalvardSoftware"},
    {{336}, {}, "Orrin"},
    {{338}, {}, "OrrinNet"},
    {{354}, {}, "TesselCN"},
    {{360}, {}, "Wendal"},
};

bool HasSiteId(const Row& row, int siteId) {
  return row.siteIds[0] == siteId || (row.siteIds[1] != 0 && row.siteIds[1] == siteId);
}

std::string Lower(const std::string& s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

std::string GetChannelName(int siteId, const std::string& downloadAddress) {
  for (const Row& row : kRows) {
    if (!HasSiteId(row, siteId)) continue;
    const std::string address = Lower(downloadAddress);
    for (const Marker& marker : row.markers) {
      for (const char* text : marker.texts) {
        if (text != nullptr && address.find(text) != std::string::npos) return marker.channel;
      }
    }
    return row.unmarked;
  }
  return std::to_string(siteId);
}

std::string GetChannelName(const std::string& downloadAddress) {
  return GetChannelName(CSingleUserLog::GetInstance().GetSiteId(), downloadAddress);
}

}  // namespace FuntionImpl
