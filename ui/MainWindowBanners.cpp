// The banner thread: the signed list request, each picture downloaded into
// the download folder and checked, the table of banners, and message 2952
// once every banner of the list is in place. Any failure keeps the shipped
// pictures; nothing of it reaches the user.
#include "ui/InstallUIMainWnd.h"

#include "CDownloadTaskManager.h"
#include "CLibcurlTool.h"
#include "DownLoadImpl.h"
#include "platform/log.h"
#include "platform/read_bounded.h"
#include "ui/BannerList.h"
#include "ui/BannerRequest.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

namespace ui {
namespace {

constexpr int kListAttempts = 3;
constexpr int kPictureAttempts = 3;
// A banner is 650 x 300 (twice that on a sharp screen); anything far larger
// is not one, and is refused before it is decoded.
constexpr std::int64_t kMaxPictureBytes = 4 * 1024 * 1024;
constexpr int kMaxPictureSide = 4096;
// What the log shows of a refusal.
constexpr std::size_t kLoggedAnswerBytes = 512;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The engine's file download, with the remote size checked first so that a
// huge "picture" is never fetched. The task file is removed afterwards: a
// picture is fetched whole every run.
int DownloadPicture(const std::string& url, const std::string& file) {
  CURLcode code = CURLE_OK;
  std::string probeCdn;
  const std::int64_t size = CDownloadTaskManager(url, file, file + ".xml").getContentLength(code, probeCdn, 0);
  if (size <= 0 || size > kMaxPictureBytes) {
    CWLOG << " Get Cbs Ban picture refused, size " << size;
    return 0;
  }
  std::string cdnReport;
  const int result = CDownLoadImpl::SuperDownloadFile(url, file, cdnReport, false);
  std::error_code ignored;
  std::filesystem::remove(file + ".xml", ignored);
  return result;
}

bool PictureLoads(const std::string& file) {
  const auto bytes = cwplat::ReadFileBounded(file, static_cast<std::size_t>(kMaxPictureBytes));
  return bytes && cwui::ImageCache::Decode(*bytes, 1, kMaxPictureSide) != nullptr;
}

}  // namespace

std::string InstallUIMainWnd::fetchBannerList() {
  const std::string url = FuntionImpl::GetBannerPicUrl(m_mainPid, m_language.load());
  CLibcurlTool http;
  http.init();
  for (int attempt = 0; attempt < kListAttempts && !m_ending; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::string answer;
    const auto start = std::chrono::steady_clock::now();
    const CURLcode code = http.httpGet(url, answer);
    m_env.userLog->AddUserLog_funnelPair("Download", "ObtainCarouselMapTime", "CarouselMapTimeInterval",
                                         FuntionImpl::IntervalText(SecondsSince(start)), false, false);
    CWLOG << " Get Cbs Ban1: " << attempt << ", " << code << ", " << url.size() << ", " << answer.size();
    // What arrived before a failed transfer is no list.
    if (code == CURLE_OK && !answer.empty()) return answer;
  }
  return "";
}

bool InstallUIMainWnd::fetchBannerPicture(const BannerElement& element, int index, int count, int& stored) {
  const std::string file = BannerPictureFile(m_downloadFolder, element.sort, element.pictureUrl);
  const std::string place = std::to_string(index) + "/" + std::to_string(count);
  for (int attempt = 0; attempt < kPictureAttempts && !m_ending; ++attempt) {
    CWLOG << " Get Cbs Ban4: " << place << ", " << attempt << "/" << kPictureAttempts;
    const auto start = std::chrono::steady_clock::now();
    const int result = DownloadPicture(element.pictureUrl, file);
    m_env.userLog->AddUserLog_funnelPair("Download", "DownloadCarouselImagesTime", "DownloadCarouselImagesTimeInterval",
                                         FuntionImpl::IntervalText(SecondsSince(start)), false, false);
    CWLOG << " Get Cbs Ban5: " << result;
    if (result != 1) continue;
    if (!PictureLoads(file)) {
      CWLOG << " Get Cbs Ban " << stored << " Fail";
      continue;
    }
    ++stored;
    CWLOG << " Get Cbs Ban " << stored << " Success";
    storeBanner({element.pictureUrl, element.linkUrl, element.prompt, file, element.sort});
    return true;
  }
  return false;
}

unsigned InstallUIMainWnd::GetCbsBanner() {
  CWLOG << "get banner from server";
  if (m_downloadFolder.empty()) {
    CWLOG << " Get Cbs Ban fail: no download folder";
    return 0;
  }
  const std::string answer = fetchBannerList();
  if (answer.empty()) return 0;
  const BannerList list = ReadBannerList(answer);
  CWLOG << " Get Cbs Ban2: " << list.outcome;
  if (!list.ok) {
    if (list.outcome == "status") CWLOG << " Get Cbs Ban fail:" << answer.substr(0, kLoggedAnswerBytes);
    return 0;
  }
  const int count = static_cast<int>(list.elements.size());
  int stored = 0;
  for (int i = 0; i < count && !m_ending; ++i) {
    const BannerElement& element = list.elements[static_cast<std::size_t>(i)];
    CWLOG << " Get Cbs Ban3: " << element.sort << ", " << i << "/" << count;
    if (!element.usable) {
      if (!element.pictureUrl.empty()) CWLOG << " Get Cbs Ban refused: sort out of range";
      continue;
    }
    fetchBannerPicture(element, i, count, stored);
  }
  if (count > 0 && stored == count) {
    CWLOG << " Get Banner success";
    postMessage(WM_BANNERREADY, 0);
  }
  return 0;
}

void InstallUIMainWnd::onBannersReady() {
  m_bannerReady = true;
  if (!m_anima) return;
  BannerRecord first;
  {
    std::lock_guard<std::mutex> lock(m_bannerMutex);
    if (const auto it = m_banners.find(1); it != m_banners.end()) first = it->second;
  }
  const std::size_t dot = first.pictureFile.rfind('.');
  const std::size_t slash = first.pictureFile.rfind('/');
  const std::string suffix =
      dot != std::string::npos && (slash == std::string::npos || dot > slash) ? first.pictureFile.substr(dot) : "";
  m_window->images().clear();
  m_anima->HorizontalMoveAnimaInit(m_downloadFolder + "/", suffix);
}

void InstallUIMainWnd::storeBanner(const BannerRecord& record) {
  std::lock_guard<std::mutex> lock(m_bannerMutex);
  m_banners[record.sort] = record;
}

std::map<int, BannerRecord> InstallUIMainWnd::banners() const {
  std::lock_guard<std::mutex> lock(m_bannerMutex);
  return m_banners;
}

std::optional<std::string> InstallUIMainWnd::pictureBytes(const std::string& name) const {
  // Banner pictures are files of the download folder, named by number; every
  // other name is the archive's.
  const std::string folder = m_downloadFolder + "/";
  if (!m_downloadFolder.empty() && name.compare(0, folder.size(), folder) == 0 &&
      name.find('/', folder.size()) == std::string::npos && name.find("..", folder.size()) == std::string::npos) {
    return cwplat::ReadFileBounded(name, static_cast<std::size_t>(kMaxPictureBytes));
  }
  return m_env.archive ? m_env.archive(name) : std::nullopt;
}

}  // namespace ui
