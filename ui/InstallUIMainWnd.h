// The installer's main window: the settings page (language, folder, licence,
// Install), the running page while the install thread downloads and installs,
// and the finished or failed page. It is the install flow's window
// (IInstallWindow): the install thread talks to it through posted messages,
// flags and the "ProgressFinish100" event, so every control is touched on
// the loop's thread only.
#pragma once

#include "CConfigure.h"
#include "EmbeddedLabels.h"
#include "SingleUserLog.h"
#include "InstallWindow.h"
#include "platform/sync.h"
#include "platform/taskbar_progress.h"
#include "platform/thread.h"
#include "toolkit/Host.h"
#include "ui/ApplyLanguage.h"
#include "ui/BannerList.h"
#include "ui/CAnima.h"
#include "ui/MessageBoxWnd.h"

#include <array>
#include <chrono>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ui {

class InstallUIMainWnd : public IInstallWindow, public IUserLogWindow {
 public:
  // Timers of the window (ids are fixed).
  enum Timer : int {
    kVerifyCreep = 1920,
    kInstallCreep = 1921,
    kFirstPercent = 1922,
    kLastProgress = 1923,
    kCarousel = 2000,
    kAutoInstall = 666,
    kAutoRetry = 888,
  };

  // What the window takes from the outside world; tests replace the parts
  // that would reach the network, the desktop or the disk.
  struct Environment {
    cwui::LayoutSource archive;        // skins, language files, pictures
    HostFactory makeHost;              // the window's host (GTK, headless)
    CSingleUserLog* userLog = nullptr; // page and funnel events; required
    bool autoRun = false;
    EnumLanguage systemLanguage = English;
    std::string programFilesFolder;    // the default folder's root
    // The folder picker; nothing when the user cancels.
    std::function<std::optional<std::string>()> chooseFolder;
    // Free bytes of the drive holding a path; nothing when unknown.
    std::function<std::optional<std::uint64_t>(const std::string& path)> freeBytes;
    // The install flow's steps; empty: the real ones.
    std::function<void(IInstallWindow&)> prefetch;        // the configuration pre-fetch
    std::function<int(IInstallWindow&)> preInstallChecks; // 0: the install may start
    std::function<unsigned(IInstallWindow&)> installThread;
    // The banner thread; empty: the banner service's list and pictures.
    std::function<unsigned(InstallUIMainWnd&)> bannerThread;
    // Starts this program again hidden to upload the log on close.
    std::function<void(const std::string& parameters)> startLogUpload;
    // Leaving the installer; empty: the real ones. startProduct takes the
    // quoted executable path and the mode, and gives 0 or -1.
    std::function<int(const std::string& target, int mode)> startProduct;
    std::function<bool(const std::string& folder)> needsNewerNetFramework;
    // A plain message box with no owner; returns when it is dismissed.
    std::function<void(const std::string& text)> plainMessage;
    std::function<int(const std::string& path)> showInFileManager;
    std::function<int(const std::string& url)> openUrl;
    std::string moduleFileName;  // this program's file; empty: the running one
    // The time now (the start-time events); empty: the clock.
    std::function<std::chrono::system_clock::time_point()> now;
  };

  InstallUIMainWnd(cwui::MessageLoop& loop, Environment environment);
  ~InstallUIMainWnd() override;

  // Builds the window from "InstallMainWnd.xml", runs InitWindow and shows
  // it centred; false when the skin cannot be read.
  bool create();
  // Waits for the window's threads (after the loop has ended).
  void WaitForAllThreadExit();
  // Brings the window forward (a second copy asked).
  void raise();

  cwui::Window* window() const { return m_window.get(); }
  cwui::Host* host() const { return m_host.get(); }
  // The process's main window, for the parts that reach it from anywhere.
  static InstallUIMainWnd* Instance();

  // --- IInstallWindow ------------------------------------------------------
  CConfigure& configure() override { return *m_configure; }
  const CEmbeddedLabels& embeddedLabels() const override { return m_labels; }
  int embeddedDownloaderId() const override { return m_downloaderId; }
  int needStartFlag() const override { return m_needStart; }
  bool isRetry() const override { return m_retry; }
  EnumLanguage currentLanguage() const override { return m_language.load(); }
  std::string installPathText() const override { return m_installPathText.get(); }
  void setInstallPathText(const std::string& path) override;
  std::string installDirectory() const override { return m_installDirectory.get(); }
  void setInstallDirectory(const std::string& folder) override { m_installDirectory.set(folder); }
  void setInstallStarted() override { m_installStarted = true; }
  void setAdviceUrl(const std::string& url) override { m_adviceUrl.set(url); }
  void setStopCreep(int value) override { m_stopCreep = value; }
  void setInstallDone(bool done) override { m_installDone = done; }
  std::int64_t downloadedBytes() const override { return m_downloaded.load(); }
  int progressValue() const override { return m_progress.load(); }
  cwplat::CEvent& progressFinish100() override { return m_progressFinish100; }
  void postMessage(unsigned message, std::uintptr_t wParam) override;
  int showMessageBox(EnumMsgType type) override;
  void showRunningPage() override;
  bool writeLanguageBack() override;
  void clickStartApp() override;
  void closeWindow() override;
  bool cancelled() const override { return m_ending; }

  // What the event log sends with each funnel event (any thread).
  UserLogWindowFacts GetUserLogWindowFacts() const override;

  // The download's progress (any thread): kept, and shown on the loop's thread.
  void onDownloadProgress(std::int64_t downloaded, std::int64_t total);
  std::string adviceUrl() const { return m_adviceUrl.get(); }
  int phase() const { return m_phase; }
  int adminFlag() const { return m_adminFlag; }
  int gifDuration() const { return m_gifDuration; }
  bool bannerReady() const { return m_bannerReady; }
  // Where the banner pictures and a downloaded program are kept.
  const std::string& downloadFolder() const { return m_downloadFolder; }
  // The banners stored so far, by sort; storing one of a sort already there
  // replaces it (any thread).
  std::map<int, BannerRecord> banners() const;
  void storeBanner(const BannerRecord& record);
  // The advice link's URL with this program's tag (the part of its file
  // name between the last "_" and the last "."), when the name has one.
  static std::string AdviceUrlWithTag(const std::string& url, const std::string& moduleFileName);
  const std::string& productName() const { return m_productName; }
  // The window manager's close (its button, Alt+F4): as the close button.
  void requestClose() { onClose(); }
  // What a click on a control, or on the link of a text, does (for the
  // keyboard-less drivers: screenshots, assistive technology).
  void click(const std::string& control) { OnClick(control); }
  void followLink(const std::string& control) { OnLink(control); }

  // The window's handlers: the install flow's messages, the timers, and the bar.
  void OnMessage(unsigned message, std::uintptr_t wParam);
  void OnTimer(int id);
  void SetProgress(int percent);

 private:
  // Set-up and the parts of the window (one file each).
  void InitWindow();
  void readConfigurationLabels();
  void startPrefetch();
  void Notify(const cwui::Notification& n);
  void OnClick(const std::string& name);
  void OnLink(const std::string& name);
  void setTimer(int id, unsigned intervalMs);
  void killTimer(int id);

  // Install and its pages.
  void onInstallClick();
  bool BeginInstallTask();
  void showFailedPage();
  void endFlow();
  void onTryAgain();
  void onBrowse();
  void togglePanel(bool& flag, int item);
  void setPanelOpen(bool open);

  // The carousel of the running page, and the banners that replace its pictures.
  void startCarousel();
  void onDotSelected(const cwui::Control& dot);
  unsigned GetCbsBanner();
  std::string fetchBannerList();
  bool fetchBannerPicture(const BannerElement& element, int index, int count, int& stored);
  void onBannersReady();
  std::optional<std::string> pictureBytes(const std::string& name) const;

  // Leaving the installer: Start, the launch, the package and the advice link.
  void onStart();
  void launch(int gifDuration);
  void showPackage();
  void onAdviceLink();

  // Progress.
  void showDownloadProgress();
  void finishProgress();
  // The free space of the drive holding a folder, kept for the space texts.
  void readFreeSpace(const std::string& path);
  void updateSpaceTexts();

  // Messages of the window's own, below the install flow's.
  static constexpr unsigned kRefreshInstallPath = 1;
  static constexpr unsigned kShowDownloadProgress = 2;

  // Language.
  void selectStartupLanguage();
  void applyLanguage();
  void OnItemSelect(int index);

  // Closing.
  void onClose();
  void closeMain();
  void onDestroy();

  // Helpers.
  cwui::Control* find(const char* name) const;
  void setText(const char* name, const std::string& text);
  void setVisible(const char* name, bool visible);
  void setEnabled(const char* name, bool enabled);
  void select(const char* tab, int item);
  int selectedItem(const char* tab) const;
  bool checked(const char* name) const;
  void pageEvent(const std::string& category, const std::string& action, const std::string& label, bool wait = false);
  void funnelEvent(const std::string& type, const std::string& name, int step, const std::string& category,
                   const std::string& action, bool wait = false);
  const char* firstOrRetry() const { return m_retry ? "Retry" : "First"; }
  std::string label(const char* name) const;

  cwui::MessageLoop& m_loop;
  Environment m_env;
  std::unique_ptr<cwui::Window> m_window;
  std::unique_ptr<cwui::Host> m_host;
  CEmbeddedLabels m_labels;
  std::unique_ptr<CConfigure> m_configure;
  cwplat::CEvent m_progressFinish100{true, false};

  // From the configuration labels.
  int m_downloaderId = 0, m_siteId = 0, m_languageId = 0, m_gifDuration = 0, m_needStart = 0;
  int m_chooseLicense = 0, m_adminFlag = 0, m_mainPid = 0;
  std::string m_productName, m_defaultRoot;
  std::string m_downloadFolder;  // the banner pictures' and the package's folder
  std::thread::id m_loopThread;

  std::atomic<EnumLanguage> m_language{English};
  int m_phase = 2;
  bool m_retry = false;
  bool m_settingsOpen = false, m_licenceOpen = false;
  bool m_startTimeSent = false;
  std::uint64_t m_initTick = 0;
  InstallFormats m_formats;
  double m_freeGiB = 0;
  std::atomic<bool> m_launched{false};
  bool m_destroyed = false;

  // The carousel and the taskbar.
  std::unique_ptr<CAnima> m_anima;
  int m_frameCount = 0, m_animaIndex = 1;
  std::vector<cwui::Control*> m_dots;
  bool m_bannerReady = false;
  mutable std::mutex m_bannerMutex;
  std::map<int, BannerRecord> m_banners;
  cwplat::CTaskbarProgress m_taskbar;

  // Shared with the install thread.
  std::atomic<bool> m_installStarted{false};
  std::atomic<bool> m_ending{false};         // the window is going: threads stop early
  std::atomic<bool> m_closeRequested{false}; // closeWindow was called
  std::atomic<int> m_stopCreep{0};
  std::atomic<bool> m_installDone{false};
  std::atomic<std::int64_t> m_downloaded{0}, m_totalSeen{0};
  std::atomic<int> m_progress{0};
  std::atomic<int> m_downloadPercent{-1};  // the download's share, not yet shown
  std::atomic<bool> m_downloadShown{true};
  cwplat::CLocked<std::string> m_installPathText, m_installDirectory, m_adviceUrl;

  std::array<std::unique_ptr<cwplat::CThread>, 6> m_threads;
  std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace ui
