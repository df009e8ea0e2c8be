#include "ConsoleInstallHost.h"

#include "ConsoleMessages.h"
#include "LanguageWriteBack.h"
#include "ProductLaunch.h"
#include "SizeText.h"
#include "SourceSelection.h"
#include "StartupConfig.h"
#include "UnattendedOptions.h"
#include "platform/console.h"
#include "platform/log.h"
#include "platform/thread.h"
#include "platform/tick.h"

#include <cstdio>

namespace {

// How often the progress line is refreshed, and the creep steps of the
// verification and install phases (as the window's timers creep the bar).
constexpr std::uint64_t kRefreshMs = 250;
constexpr std::uint64_t kVerifyCreepMs = 2000;
constexpr std::uint64_t kInstallCreepMs = 5000;

}  // namespace

CConsoleInstallHost::CConsoleInstallHost(const CEmbeddedLabels& labels, EnumLanguage language, std::ostream& out)
    : m_labels(labels),
      m_language(language),
      m_out(out),
      m_terminal(cwplat::StandardOutputIsTerminal()),
      m_downloaderId(ParseDecimalInt(labels.text("Downloader_id"))),
      m_needStart(ParseDecimalInt(labels.text("NeedStart_flag"))),
      m_adminFlag(ParseDecimalInt(labels.text("admin_flag"))),
      m_configure(m_downloaderId, ParseDecimalInt(labels.text("Language_id")),
                  ParseDecimalInt(labels.text("Site_id"))) {
  m_configure.loadFromResource(labels, false);
}

CConsoleInstallHost::~CConsoleInstallHost() = default;

void CConsoleInstallHost::setInstallDone(bool done) {
  m_installDone = done;
  if (!done) return;
  // The installer has ended: the bar fills and the install thread may finish.
  m_progress = 100;
  m_progressFinish100.Set();
}

void CConsoleInstallHost::onDownloadProgress(std::int64_t downloaded, std::int64_t total) {
  m_downloaded = downloaded;
  m_total = total;
  // The download fills the bar up to 85 %.
  if (total > 0 && downloaded >= 0) {
    const int percent = static_cast<int>(std::min<std::int64_t>(downloaded, total) * 85 / total);
    if (percent > m_progress && m_progress < 85) m_progress = percent;
  }
}

void CConsoleInstallHost::postMessage(unsigned message, std::uintptr_t wParam) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.emplace_back(message, wParam);
  }
  m_queueChanged.notify_one();
}

int CConsoleInstallHost::showMessageBox(EnumMsgType type) {
  CWLOG << " ShowMsgBox: " << static_cast<int>(type);
  printLine(std::string("message: ") + ConsoleMessageText(type));
  return 1;  // no one to ask: the boxes of the flow have one button
}

void CConsoleInstallHost::showRunningPage() { m_phase = "starting"; }

bool CConsoleInstallHost::writeLanguageBack() { return WriteLanguageBack(m_configure, m_language); }

void CConsoleInstallHost::clickStartApp() {
  const std::string folder = installDirectory();
  if (LaunchProductDirectly(m_configure, folder, m_adminFlag)) {
    printLine("started " + ProductExecutablePath(m_configure, folder));
  } else {
    printLine(std::string("message: ") + ConsoleMessageText(MSG_CLICKSHORTCUT));
  }
}

int CConsoleInstallHost::RunInstall(const std::function<unsigned()>& installThread) {
  m_exitCode = UNATTENDED_INSTALLED;
  m_phase = "downloading";
  m_progress = 1;
  cwplat::CThread thread;
  if (!thread.Start([installThread] { installThread(); })) {
    printLine("error: the install thread could not be started");
    return UNATTENDED_DOWNLOAD_FAILED;
  }
  for (;;) {
    std::deque<std::pair<unsigned, std::uintptr_t>> messages;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_queueChanged.wait_for(lock, std::chrono::milliseconds(kRefreshMs), [this] { return !m_queue.empty(); });
      messages.swap(m_queue);
    }
    for (const auto& [message, wParam] : messages) handle(message, wParam);
    creep();
    printProgress(false);
    if (!thread.IsRunning()) {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_queue.empty()) break;
    }
  }
  thread.Join(cwplat::kInfinite);
  printProgress(false);
  std::lock_guard<std::mutex> lock(m_outMutex);
  if (m_lineOpen) m_out << "\n";
  m_lineOpen = false;
  m_out.flush();
  return m_exitCode;
}

void CConsoleInstallHost::handle(unsigned message, std::uintptr_t wParam) {
  switch (message) {
    case WM_DOWNLOADFAIL: {
      EnumMsgType box = MSG_URLFAIL;
      if (wParam == 9) box = MSG_INTERNETFAIL;
      if (wParam == 10 || wParam == 11) box = MSG_INTERNETTIMEOUT;
      if (wParam == 11) FuntionImpl::IncrementRequestTooMuchTimes(m_configure.getSoftwareName());
      m_phase = "download failed (" + std::to_string(wParam) + ")";
      showMessageBox(box);
      m_exitCode = UNATTENDED_DOWNLOAD_FAILED;
      break;
    }
    case WM_DOWNLOADSUCCEED:
      m_progress = 100;
      writeLanguageBack();
      m_phase = "downloaded";
      break;
    case WM_VERIFYSTART:
      m_progress = 85;
      m_phase = "verifying";
      m_lastCreepTick = cwplat::GetTickCount64();
      break;
    case WM_INSTALLSTART:
      if (m_progress < 90) m_progress = 90;
      m_phase = "installing";
      m_lastCreepTick = cwplat::GetTickCount64();
      break;
    case WM_INSTALLTIMEOUT:
      m_phase = "installer timed out";
      showMessageBox(MSG_INSTALLTIMEOUT);
      m_exitCode = UNATTENDED_INSTALL_TIMEOUT;
      break;
    case WM_INSTALLFINISH:
      m_progress = 100;
      m_phase = "installed";
      break;
    case WM_SIGNFAIL:
      m_phase = "signature check failed";
      showMessageBox(MSG_MD5FAIL);
      m_exitCode = UNATTENDED_SIGNATURE_FAILED;
      break;
    case WM_CLEARAPPDATA:
    default:
      CWLOG << " Message " << message << " not handled by the console";
      break;
  }
}

void CConsoleInstallHost::creep() {
  const std::uint64_t now = cwplat::GetTickCount64();
  const bool verifying = m_phase == "verifying" && m_stopCreep == 0;
  const bool installing = m_phase == "installing" && !m_installDone;
  const std::uint64_t step = verifying ? kVerifyCreepMs : kInstallCreepMs;
  const int limit = verifying ? 90 : 99;
  if ((!verifying && !installing) || now - m_lastCreepTick < step) return;
  m_lastCreepTick = now;
  if (m_progress < limit) ++m_progress;
}

void CConsoleInstallHost::printProgress(bool force) {
  const std::uint64_t now = cwplat::GetTickCount64();
  if (now - m_speedTick >= 1000) {
    const std::int64_t bytes = m_downloaded;
    if (m_speedTick != 0) m_speed = static_cast<double>(bytes - m_speedBytes) * 1000.0 / static_cast<double>(now - m_speedTick);
    m_speedTick = now;
    m_speedBytes = bytes;
  }
  const int progress = m_progress;
  // Without a terminal, a line per phase and per ten percent is enough.
  const bool changed = m_terminal ? progress != m_shownProgress : progress / 10 != m_shownProgress / 10;
  if (!force && !changed && m_phase == m_shownPhase && !m_terminal) return;
  char line[256];
  if (m_phase == "downloading" && m_total > 0) {
    std::snprintf(line, sizeof line, "[%3d%%] downloading %s of %s, %s/s", progress,
                  FuntionImpl::SizeText(m_downloaded).c_str(), FuntionImpl::SizeText(m_total).c_str(),
                  FuntionImpl::SizeText(static_cast<std::int64_t>(m_speed > 0 ? m_speed : 0)).c_str());
  } else {
    std::snprintf(line, sizeof line, "[%3d%%] %s", progress, m_phase.c_str());
  }
  m_shownProgress = progress;
  m_shownPhase = m_phase;
  std::lock_guard<std::mutex> lock(m_outMutex);
  if (m_terminal) {
    m_out << "\r\033[K" << line << std::flush;
    m_lineOpen = true;
  } else {
    m_out << line << "\n" << std::flush;
  }
}

void CConsoleInstallHost::printLine(const std::string& text) {
  std::lock_guard<std::mutex> lock(m_outMutex);
  if (m_lineOpen) m_out << "\n";
  m_lineOpen = false;
  m_out << text << "\n" << std::flush;
}
