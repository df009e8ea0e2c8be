// The banner service's list answer, read defensively: the answer is capped,
// its JSON depth limited, the elements counted, and every field that later
// names a file checked, since a hostile answer must not reach outside the
// download folder.
#pragma once

#include <string>
#include <vector>

namespace ui {

// One banner as the window keeps it; sort -1 in an empty record.
struct BannerRecord {
  std::string pictureUrl;
  std::string linkUrl;
  std::string prompt;
  std::string pictureFile;
  int sort = -1;
};

// One element of the list as the service sent it, before any picture.
struct BannerElement {
  std::string pictureUrl, linkUrl, prompt;
  int sort = -1;
  bool usable = false;  // an object with a picture URL and a sort we accept
};

struct BannerList {
  bool ok = false;                     // a list was read (it may be empty)
  std::string outcome;                 // what the log line says about the reading
  std::vector<BannerElement> elements; // in the answer's order
};

inline constexpr std::size_t kMaxBannerAnswerBytes = 1024 * 1024;
inline constexpr unsigned kMaxBannerJsonDepth = 8;
inline constexpr std::size_t kMaxBanners = 64;
inline constexpr int kMaxBannerSort = 1000;
inline constexpr std::size_t kMaxBannerTextBytes = 4096;

// Reads the answer. Not ok: over the cap, not JSON, a status object (any
// answer naming "code" must be an object whose code is 200, and even then
// it holds no list), or anything but an array of at most kMaxBanners.
BannerList ReadBannerList(const std::string& answer);

// The picture file's suffix from the URL's last ".": kept only when it is a
// dot and 1 to 8 letters or digits ending the URL, otherwise none.
std::string BannerSuffix(const std::string& pictureUrl);
// folder + "/" + sort + suffix.
std::string BannerPictureFile(const std::string& folder, int sort, const std::string& pictureUrl);

}  // namespace ui
