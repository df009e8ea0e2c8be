#include "ui/InstallUIMainWnd.h"

#include "CrashHandler.h"
#include "DecimalText.h"
#include "DownLoadImpl.h"
#include "SingleUserLog.h"
#include "SystemInfo.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/tick.h"

#include <cstdio>

namespace ui {
namespace {

std::atomic<InstallUIMainWnd*> g_mainWindow{nullptr};

// The registry value that says the PC facts were sent once.
constexpr const char* kDownloaderKey = "SOFTWARE\\Calderwick\\Downloader2.5.0";

}  // namespace

InstallUIMainWnd* InstallUIMainWnd::Instance() { return g_mainWindow.load(); }

InstallUIMainWnd::InstallUIMainWnd(cwui::MessageLoop& loop, Environment environment)
    : m_loop(loop), m_env(std::move(environment)) {}

InstallUIMainWnd::~InstallUIMainWnd() {
  *m_alive = false;
  m_ending = true;
  if (m_window) {
    CDownLoadImpl::SetProgressDisplay(nullptr);
    m_env.userLog->SetMainWnd(nullptr);
  }
  m_loop.killTimers(this);
  WaitForAllThreadExit();
  InstallUIMainWnd* self = this;
  g_mainWindow.compare_exchange_strong(self, nullptr);
}

bool InstallUIMainWnd::create() {
  const auto xml = m_env.archive ? m_env.archive("InstallMainWnd.xml") : std::nullopt;
  std::string error;
  auto skin = xml ? cwui::ReadSkin(*xml, m_env.archive, &error) : std::nullopt;
  if (!skin || !m_env.makeHost || m_env.userLog == nullptr) {
    CWLOG << " InstallMainWnd.xml cannot be read: " << error;
    return false;
  }
  m_loopThread = std::this_thread::get_id();
  m_window = std::make_unique<cwui::Window>(std::move(*skin), [this](const std::string& name) { return pictureBytes(name); });
  m_host = m_env.makeHost(*m_window, m_loop);
  m_host->setMain(true);
  m_window->setNotifier([this](const cwui::Notification& n) { Notify(n); });
  InitWindow();
  m_host->centre();  // at the closed panel's size
  m_host->show();
  return true;
}

void InstallUIMainWnd::InitWindow() {
  g_mainWindow = this;
  // The main download reports here from the install thread.
  CDownLoadImpl::SetProgressDisplay([alive = std::weak_ptr<std::atomic<bool>>(m_alive), this](std::int64_t d, std::int64_t t) {
    if (const auto a = alive.lock(); a && *a) onDownloadProgress(d, t);
  });
  CDownLoadImpl::SetCancelled(false);  // an earlier window's close ended its flow, not this one's
  m_initTick = cwplat::GetTickCount64();
  m_retry = false;
  m_installStarted = false;
  m_totalSeen = 0;
  m_frameCount = CountAnimaFrames(m_window->images(), m_host->scale());
  setVisible("text_fail_retry", false);
  setVisible("text_fail_advice", false);
  setVisible("img_warning", false);
  setAdviceUrl("");
  for (int k = 1; cwui::Control* dot = find(("image_play_option" + std::to_string(k)).c_str()); ++k) {
    m_dots.push_back(dot);
  }

  readConfigurationLabels();
  if (cwui::Control* box = find("license_checkbox")) {
    m_window->select(*box, m_env.autoRun || m_chooseLicense == 1);
  }
  const auto configuration = m_env.archive("configure\\configure.xml");
  if (!configuration || !m_labels.parse(*configuration)) CWLOG << " Embedded configuration unreadable";
  m_configure = std::make_unique<CConfigure>(m_downloaderId, m_languageId, m_siteId);
  m_configure->loadFromResource(m_labels, false);
  m_env.userLog->SetMainWnd(this);
  m_downloadFolder = m_env.userLog->GetDownloadFolder();

  m_defaultRoot = m_env.programFilesFolder + "/Quorla";
  setText("install_file_path_edit", m_defaultRoot);
  readFreeSpace(m_defaultRoot);
  startPrefetch();
  m_progressFinish100.Reset();
  CWLOG << " CreateEvent successfully ";

  CWLOG << " Downloader info: " << cwplat::SplitPath(cwplat::GetModuleFileName()).name << "("
        << cwplat::GetModuleFileName() << "), 64Bit: " << (FuntionImpl::IsWow64() ? "True" : "False")
        << ", proc_id=" << cwplat::GetCurrentProcessId();
  int width = 0, height = 0;
  const double scale = FuntionImpl::GetScreenInfo(width, height);
  CWLOG << " Screen: " << width << "*" << height << ", " << scale;
  CWLOG << " Request For Product Config -- [Downloader Id]: " << m_downloaderId << " [Site Id]: " << m_siteId
        << " [Language Id]: " << m_languageId;

  pageEvent("CrashRate", "Start", "");
  funnelEvent("Keypoint", "null", 0, "CorePublicModule", "Start");
  std::string sent;
  if (!cwplat::RegGetString(cwplat::RegHive::LocalMachine, kDownloaderKey, "GA_PC", sent) || sent.empty()) {
    float version = 0;
    pageEvent("PC", "SysOS", FuntionImpl::GetOSName(version) + (FuntionImpl::IsWow64() ? " 64bit" : " 32bit"));
    pageEvent("PC", "SysLanguage", FuntionImpl::GetUILanguageName());
    char resolution[32];
    std::snprintf(resolution, sizeof resolution, "%d*%d", width, height);
    pageEvent("PC", "SysScreenResolution", resolution);
    cwplat::RegSetString(cwplat::RegHive::LocalMachine, kDownloaderKey, "GA_PC", "1");
  }
  pageEvent("Download", "1.Launch", "");
  funnelEvent("CoreFuncEvent", "BeforeDownload", 0, "Download", "CoreFuncStart");
  funnelEvent("CoreFuncEvent", "BeforeDownload", 1, "Download", "Launch");
  funnelEvent("CoreFuncEvent", "BeforeDownload", 0, "Download", "CoreFuncEnd");

  selectStartupLanguage();
  pageEvent("Other", "ClickToShowTime", std::to_string(cwplat::GetTickCount64() - m_initTick));
  if (!m_taskbar.HrInit()) CWLOG << " No taskbar progress on this desktop";
  if (m_env.autoRun) setTimer(kAutoInstall, 2000);
}

void InstallUIMainWnd::readConfigurationLabels() {
  const auto number = [this](const char* name) { return FuntionImpl::ParseLeadingIntSaturated(label(name)); };
  m_downloaderId = number("Downloader_id");
  m_siteId = number("Site_id");
  m_languageId = number("Language_id");
  m_gifDuration = number("Gif_duration");
  m_needStart = number("NeedStart_flag");
  m_chooseLicense = number("ChooseLicense");
  m_adminFlag = number("admin_flag");
  m_productName = label("Software_name");
  if (find("MainPid") != nullptr) m_mainPid = number("MainPid");
}

void InstallUIMainWnd::startPrefetch() {
  const auto prefetch = m_env.prefetch ? m_env.prefetch : [](IInstallWindow& window) {
    CConfigure& configure = window.configure();
    const int first = configure.getDownloadInfoXml(false, false);
    if (static_cast<InstallUIMainWnd&>(window).m_installStarted) {
      CWLOG << " GetDownloaderInfo(Async) abandon";
      return;
    }
    if (first != 1) configure.getDownloadInfoXml(false, true);
    if (static_cast<InstallUIMainWnd&>(window).m_installStarted) {
      CWLOG << " GetDownloaderInfo(Async) abandon";
      return;
    }
    configure.parseDownloadInfo();
  };
  m_threads[0] = std::make_unique<cwplat::CThread>();
  if (!m_threads[0]->Start([this, prefetch] { prefetch(*this); })) CWLOG << " Pre-fetch thread not started";
}

void InstallUIMainWnd::WaitForAllThreadExit() {
  CWLOG << "InstallUIMainWnd WaitForAllThreadExit";
  for (auto& thread : m_threads) {
    if (thread) thread->Join(600000);
  }
}

void InstallUIMainWnd::raise() {
  if (m_host) m_host->raise();
}

// --- notifications ----------------------------------------------------------

void InstallUIMainWnd::Notify(const cwui::Notification& n) {
  const std::string name = n.sender != nullptr ? n.sender->name() : std::string();
  if (n.type == "link") {
    OnLink(name);
  } else if (n.type == "click") {
    OnClick(name);
  } else if (n.type == "itemselect" && name == "language_combox") {
    OnItemSelect(n.newIndex);
  } else if (n.type == "selectchanged" && n.sender != nullptr) {
    onDotSelected(*n.sender);
  }
}

void InstallUIMainWnd::OnLink(const std::string& name) {
  if (name == "license_link") togglePanel(m_licenceOpen, 0);
  if (name == "install_setting") togglePanel(m_settingsOpen, 1);
  if (name == "text_fail_advice") onAdviceLink();
}

void InstallUIMainWnd::OnClick(const std::string& name) {
  if (name == "closebtn" || name == "install_closebtn" || name == "cancel_btn") {
    onClose();
  } else if (name == "minbtn" || name == "install_minbtn") {
    m_host->minimize();
  } else if (name == "finish_btn") {
    closeMain();
  } else if (name == "step_last") {
    killTimer(kCarousel);
    select("main_tablayout", 0);
  } else if (name == "install_btn") {
    onInstallClick();
  } else if (name == "browser_btn") {
    onBrowse();
  } else if (name == "license_checkbox") {
    setEnabled("install_btn", true);
  } else if (name == "start_app") {
    const cwui::Control* retry = find("text_fail_retry");
    if (retry != nullptr && retry->visible) {
      onTryAgain();
    } else {
      onStart();
    }
  } else if (name == "install_setting") {
    togglePanel(m_settingsOpen, 1);
  }
}

// --- IInstallWindow ----------------------------------------------------------

void InstallUIMainWnd::setInstallPathText(const std::string& path) {
  m_installPathText.set(path);
  // The edit shows it when the checks (on the loop's thread) move the folder.
  postMessage(kRefreshInstallPath, 0);
}

void InstallUIMainWnd::postMessage(unsigned message, std::uintptr_t wParam) {
  std::weak_ptr<std::atomic<bool>> alive = m_alive;
  m_loop.post([this, alive, message, wParam] {
    if (const auto a = alive.lock(); a && *a) OnMessage(message, wParam);
  });
}

int InstallUIMainWnd::showMessageBox(EnumMsgType type) {
  CWLOG << " ShowMsgBox: " << static_cast<int>(type);
  MessageBoxWnd::Environment env;
  env.archive = m_env.archive;
  env.makeHost = m_env.makeHost;
  env.autoRun = m_env.autoRun;
  env.postToParent = [this](int message) { postMessage(static_cast<unsigned>(message), 0); };
  return MessageBoxWnd(type, m_language.load(), std::move(env)).showModal(m_host.get(), m_loop);
}

void InstallUIMainWnd::clickStartApp() {
  if (std::this_thread::get_id() == m_loopThread) return onStart();
  // The install thread presses Start too. Once it has asked the window to
  // close (the AutoRun restart) the loop may end before a posted press is
  // handled, so the product is started on the caller's thread instead.
  if (m_closeRequested) return launch(0);
  std::weak_ptr<std::atomic<bool>> alive = m_alive;
  m_loop.post([this, alive] {
    if (const auto a = alive.lock(); a && *a) onStart();
  });
}

void InstallUIMainWnd::closeWindow() {
  m_closeRequested = true;
  std::weak_ptr<std::atomic<bool>> alive = m_alive;
  m_loop.post([this, alive] {
    if (const auto a = alive.lock(); a && *a) closeMain();
  });
}

UserLogWindowFacts InstallUIMainWnd::GetUserLogWindowFacts() const {
  // The configuration is made once at start-up, before the log is handed this window.
  return {m_configure ? m_configure->getSoftwareVersion() : std::string(), FuntionImpl::GetLanguageCode(m_language.load())};
}

// --- helpers -----------------------------------------------------------------

cwui::Control* InstallUIMainWnd::find(const char* name) const { return m_window ? m_window->find(name) : nullptr; }

void InstallUIMainWnd::setText(const char* name, const std::string& text) {
  if (cwui::Control* c = find(name)) m_window->setText(*c, text);
}

void InstallUIMainWnd::setVisible(const char* name, bool visible) {
  if (cwui::Control* c = find(name)) m_window->setVisible(*c, visible);
}

void InstallUIMainWnd::setEnabled(const char* name, bool enabled) {
  if (cwui::Control* c = find(name)) m_window->setEnabled(*c, enabled);
}

void InstallUIMainWnd::select(const char* tab, int item) {
  if (cwui::Control* c = find(tab)) m_window->selectItem(*c, item);
}

int InstallUIMainWnd::selectedItem(const char* tab) const {
  const cwui::Control* c = find(tab);
  return c != nullptr ? c->selectedId : -1;
}

bool InstallUIMainWnd::checked(const char* name) const {
  const cwui::Control* c = find(name);
  return c != nullptr && c->selected;
}

std::string InstallUIMainWnd::label(const char* name) const {
  const cwui::Control* c = find(name);
  return c != nullptr ? c->text() : std::string();
}

void InstallUIMainWnd::pageEvent(const std::string& category, const std::string& action, const std::string& label,
                                 bool wait) {
  m_env.userLog->AddUserLog_simple(category, action, label, wait);
}

void InstallUIMainWnd::funnelEvent(const std::string& type, const std::string& name, int step,
                                   const std::string& category, const std::string& action, bool wait) {
  m_env.userLog->AddUserLog_funnel(type, name, step, category, action, "null", wait, false);
}

void InstallUIMainWnd::setTimer(int id, unsigned intervalMs) {
  m_loop.setTimer(this, id, intervalMs, [this, id] { OnTimer(id); });
}

void InstallUIMainWnd::killTimer(int id) { m_loop.killTimer(this, id); }

}  // namespace ui
