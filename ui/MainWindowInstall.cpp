// The main window's install: the Install click, the start of the install
// task, the messages of the install thread, the failed page and Try again,
// the folder choice and the panel under the settings page.
#include "ui/InstallUIMainWnd.h"

#include "CrashHandler.h"
#include "InstallFiles.h"
#include "InstallThread.h"
#include "LanguageWriteBack.h"
#include "PreInstallChecks.h"
#include "SingleUserLog.h"
#include "SourceSelection.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "ui/FormatText.h"

#include <chrono>
#include <cstdio>

namespace ui {
namespace {

constexpr int kOpenHeight = 560, kClosedHeight = 360, kWidth = 650;

// The date and hour in China's time (UTC+8, no daylight saving), the zone the
// analytics reports are read in.
std::string ChinaTimeStamp(std::chrono::system_clock::time_point now) {
  using namespace std::chrono;
  const auto local = floor<seconds>(now) + hours(8);
  const auto day = floor<days>(local);
  const year_month_day date(day);
  const hh_mm_ss time(local - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

void InstallUIMainWnd::onInstallClick() {
  CWLOG << " Click install button";
  FuntionImpl::RunCrashTestIfSet();
  pageEvent("Download", "2.DownStart", "");
  funnelEvent("CoreFuncEvent", "Downloading", 0, "Download", "CoreFuncStart");
  funnelEvent("CoreFuncEvent", "Downloading", 1, "Download", "DownStart");
  if (!checked("license_checkbox")) {
    if (showMessageBox(MSG_AGREE) != MessageBoxWnd::kYes) {
      CWLOG << "not agree Privacy Policy and User License Agreement";
      m_env.userLog->AddUserLog_funnelPair("StartDownloader", "PrivacyAgreementPopup", "PrivacyAgreementPopupType",
                                           "Disagree", false, false);
      return;
    }
    m_env.userLog->AddUserLog_funnelPair("StartDownloader", "PrivacyAgreementPopup", "PrivacyAgreementPopupType",
                                         "Agree and install", false, false);
    if (cwui::Control* box = find("license_checkbox")) m_window->select(*box, true);
  }
  if (!m_startTimeSent) {
    m_startTimeSent = true;
    const std::string stamp = ChinaTimeStamp(m_env.now ? m_env.now() : std::chrono::system_clock::now());
    pageEvent("Download", "StartTimeDate", stamp.substr(0, 10));
    pageEvent("Download", "StartTimeHour", stamp.substr(11, 2));
  }
  pageEvent("Other", "SetLanguage", LanguageEventName(m_language.load()));
  if (label("install_file_path_edit") != m_defaultRoot) pageEvent("Other", "SetPath", "");
  BeginInstallTask();
}

bool InstallUIMainWnd::BeginInstallTask() {
  const std::string path = label("install_file_path_edit");
  m_installPathText.set(path);
  // The install directory: "/" as the separator, the product's own folder last.
  const bool named = m_productName.empty() || Contains(path, m_productName);
  m_installDirectory.set(named ? path : path + "/" + m_productName);
  const int checks = m_env.preInstallChecks ? m_env.preInstallChecks(*this) : CPreInstallChecks(*this).RunChecks();
  if (checks != 0) return false;
  m_host->resize(kWidth, kClosedHeight);
  m_host->centre();
  setText("install_label", FormatNumber(m_formats.installLabel, 0));
  setVisible("text_fail_retry", false);
  setVisible("text_fail_advice", false);
  setVisible("img_warning", false);
  setText("start_app", LoadLanguageText(m_env.archive, "install_page", "start_app", m_language.load()));
  if (cwui::Control* top = find("backgroudlayout")) m_window->setAttribute(*top, "bkimage", "skin/backgroud_complete.png");
  startCarousel();
  setTimer(kFirstPercent, 1000);
  // The thread slots: 0 the pre-fetch, 1 the banners, 2 the install.
  if (!m_bannerReady && (!m_threads[1] || !m_threads[1]->IsRunning())) {
    const auto banners = m_env.bannerThread ? m_env.bannerThread : [](InstallUIMainWnd& w) { return w.GetCbsBanner(); };
    if (m_threads[1]) m_threads[1]->Join(cwplat::kInfinite);
    m_threads[1] = std::make_unique<cwplat::CThread>();
    if (!m_threads[1]->Start([this, banners] { banners(*this); })) CWLOG << " Banner thread not started";
  }
  const auto install = m_env.installThread ? m_env.installThread
                                           : [](IInstallWindow& w) { return CInstallThread(w).InstallThreadFunc(); };
  if (m_threads[2]) m_threads[2]->Join(cwplat::kInfinite);
  m_threads[2] = std::make_unique<cwplat::CThread>();
  if (!m_threads[2]->Start([this, install] { install(*this); })) CWLOG << " Install thread not started";
  return true;
}

void InstallUIMainWnd::showRunningPage() {
  select("main_tablayout", 1);
  select("page_layout", 1);
  setEnabled("closebtn", true);
}

void InstallUIMainWnd::OnMessage(unsigned message, std::uintptr_t wParam) {
  switch (message) {
    case kRefreshInstallPath:
      setText("install_file_path_edit", installPathText());
      break;
    case kShowDownloadProgress:
      showDownloadProgress();
      break;
    case WM_CLEARAPPDATA: {
      const InstallFiles files =
          MakeInstallFiles(m_labels.text("Extra_download_url"), m_configure->getExtraDownloadUrl(),
                           m_configure->getSoftwareVersion(), m_env.userLog->GetDownloadFolder(), installDirectory());
      FuntionImpl::ClearAPPData(files.installerPath);
      break;
    }
    case WM_DOWNLOADFAIL: {
      EnumMsgType box = MSG_URLFAIL;
      if (wParam == 9) box = MSG_INTERNETFAIL;
      if (wParam == 10 || wParam == 11) box = MSG_INTERNETTIMEOUT;
      if (wParam == 11) FuntionImpl::IncrementRequestTooMuchTimes(m_configure->getSoftwareName());
      m_taskbar.SetProgressState(cwplat::EnumTaskbarState::Error);
      showMessageBox(box);
      setEnabled("closebtn", true);
      pageEvent("Download", "8.DownFail", firstOrRetry());
      showFailedPage();
      endFlow();
      break;
    }
    case WM_DOWNLOADSUCCEED:
      SetProgress(100);
      writeLanguageBack();
      setEnabled("closebtn", true);
      endFlow();
      break;
    case WM_VERIFYSTART:
      SetProgress(85);
      setTimer(kVerifyCreep, 2000);
      break;
    case WM_INSTALLSTART:
      killTimer(kVerifyCreep);
      SetProgress(90);
      setTimer(kInstallCreep, 5000);
      break;
    case WM_INSTALLTIMEOUT:
      showFailedPage();
      m_taskbar.SetProgressState(cwplat::EnumTaskbarState::Error);
      showMessageBox(MSG_INSTALLTIMEOUT);
      endFlow();
      break;
    case WM_INSTALLFINISH:
      setEnabled("closebtn", true);
      endFlow();
      setVisible("start_app", true);
      setVisible("text_startshortcut", false);
      m_taskbar.SetProgressState(cwplat::EnumTaskbarState::NoProgress);
      break;
    case WM_SIGNFAIL:
      m_taskbar.SetProgressState(cwplat::EnumTaskbarState::Error);
      showMessageBox(MSG_MD5FAIL);
      setEnabled("closebtn", true);
      showFailedPage();
      endFlow();
      break;
    case WM_BANNERREADY:
      onBannersReady();
      break;
    default:
      CWLOG << " Message " << message << " not handled by the window";
      break;
  }
}

// Every end of the flow: the carousel stops, the settings page comes back
// (showing its finished or failed inner page), and closing no longer asks.
void InstallUIMainWnd::endFlow() {
  killTimer(kCarousel);
  select("main_tablayout", 0);
  m_phase = 1;
}

void InstallUIMainWnd::showFailedPage() {
  setText("finish_label", "Install failed, please install again!");
  setVisible("text_fail_retry", true);
  setVisible("text_fail_advice", true);
  setVisible("img_warning", true);
  setEnabled("start_app", true);
  setText("start_app", LoadLanguageText(m_env.archive, "install_page", "retry_btn", m_language.load()));
  setVisible("start_app", true);
  setVisible("text_startshortcut", false);
  if (m_env.autoRun) setTimer(kAutoRetry, 1000);
}

void InstallUIMainWnd::onTryAgain() {
  CWLOG << " User click try again button to retry";
  pageEvent("Download", "8-1.ClickTryAgain", firstOrRetry());
  funnelEvent("CoreFuncEvent", "Downloading", 0, "Download", "CoreFuncStart");
  m_retry = true;
  if (cwui::Control* bar = find("install_progress")) m_window->setValue(*bar, 0);
  m_progress = 0;
  m_phase = 2;
  BeginInstallTask();
}

void InstallUIMainWnd::onBrowse() {
  const std::optional<std::string> chosen = m_env.chooseFolder ? m_env.chooseFolder() : std::nullopt;
  if (!chosen || chosen->empty()) return;
  readFreeSpace(*chosen);
  updateSpaceTexts();
  std::string path = *chosen;
  if (!Contains(path, "Quorla")) {
    if (path.back() != '/') path += "/";
    path += "Quorla";
  }
  setText("install_file_path_edit", path);
}

void InstallUIMainWnd::readFreeSpace(const std::string& path) {
  const std::optional<std::uint64_t> free = m_env.freeBytes ? m_env.freeBytes(path) : std::nullopt;
  m_freeGiB = free ? static_cast<double>(*free) / (1024.0 * 1024.0 * 1024.0) : 0.0;
}

void InstallUIMainWnd::updateSpaceTexts() {
  setText("space_free", FormatNumber(m_formats.spaceFree, m_freeGiB));
  setText("space_need", FormatString(m_formats.spaceNeed, label("ProductSize")));
}

void InstallUIMainWnd::setPanelOpen(bool open) { m_host->resize(kWidth, open ? kOpenHeight : kClosedHeight); }

// The settings and licence switches share one rule, each with its own flag
// and its own item of the panel.
void InstallUIMainWnd::togglePanel(bool& flag, int item) {
  if (!flag) {
    select("set_layout", item);
    setPanelOpen(true);
    flag = true;
  } else if (selectedItem("set_layout") == item) {
    setPanelOpen(false);
    flag = false;
  } else {
    select("set_layout", item);
    setPanelOpen(true);
  }
}

}  // namespace ui
