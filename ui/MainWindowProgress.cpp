// The main window's progress bar: raised, never lowered, by the download,
// by the messages of the install thread and by the creeping timers, and the
// "ProgressFinish100" event once it shows 100.
#include "ui/InstallUIMainWnd.h"

#include "SingleUserLog.h"
#include "platform/log.h"
#include "ui/FormatText.h"

#include <algorithm>
#include <cstdio>

namespace ui {

void InstallUIMainWnd::SetProgress(int percent) {
  cwui::Control* label = find("install_label");
  cwui::Control* bar = find("install_progress");
  if (label == nullptr || bar == nullptr || bar->value >= percent) return;
  m_window->setText(*label, FormatNumber(m_formats.installLabel, percent));
  m_window->setValue(*bar, percent);
  m_progress = bar->value;
  m_taskbar.SetProgressValue(static_cast<std::uint64_t>(bar->value), 100);
  m_taskbar.SetProgressState(cwplat::EnumTaskbarState::Normal);
}

// The download reports from the install thread: the share is kept and shown
// by the loop's thread (controls are not touched from other threads), one
// message at a time however often the download reports.
void InstallUIMainWnd::onDownloadProgress(std::int64_t downloaded, std::int64_t total) {
  m_downloaded = downloaded;
  std::int64_t none = 0;
  if (total > 0 && m_totalSeen.compare_exchange_strong(none, total)) {
    char size[32];
    std::snprintf(size, sizeof size, "%.2fMB", static_cast<double>(total) / 1048576.0);
    pageEvent("Other", "PackageSize", size);
  }
  if (total <= 0) return;
  const double share = static_cast<double>(downloaded) / static_cast<double>(total) * 85.0;
  m_downloadPercent = std::max(0, static_cast<int>(std::min(share, 85.0)));
  if (m_downloadShown.exchange(false)) postMessage(kShowDownloadProgress, 0);
}

void InstallUIMainWnd::showDownloadProgress() {
  m_downloadShown = true;
  SetProgress(m_downloadPercent.load());
}

// The bar shows 100 before the install thread hears that it does (the
// timers alone would stop at 99).
void InstallUIMainWnd::finishProgress() {
  SetProgress(100);
  m_progressFinish100.Set();
}

void InstallUIMainWnd::OnTimer(int id) {
  const int next = m_progress.load() + 1;
  switch (id) {
    case kVerifyCreep:
      if (m_stopCreep == 1 || next > 90) {
        killTimer(kVerifyCreep);
      } else {
        SetProgress(next);
      }
      break;
    case kInstallCreep:
      CWLOG << " TIMER_INSTALLPROGRESS_ID: " << m_installDone.load() << ", " << next;
      if (!m_installDone && next < 100) {
        SetProgress(next);
        break;
      }
      killTimer(kInstallCreep);
      if (m_installDone) {
        if (next > 98) {
          finishProgress();
        } else {
          setTimer(kLastProgress, 500);
        }
      }
      break;
    case kFirstPercent:
      killTimer(kFirstPercent);
      SetProgress(1);
      break;
    case kLastProgress:
      CWLOG << " TIMER_ATLASTPROGRESS_ID: " << m_installDone.load() << ", " << next;
      if (next < 100) {
        SetProgress(next);
      } else {
        killTimer(kLastProgress);
        finishProgress();
      }
      break;
    case kCarousel: {
      // The dot after the current picture's, or the first after the last.
      const std::size_t next = static_cast<std::size_t>(m_animaIndex);
      cwui::Control* dot = next < m_dots.size() && m_animaIndex <= 9 ? m_dots[next] : (m_dots.empty() ? nullptr : m_dots[0]);
      if (dot != nullptr) m_window->select(*dot, true);
      break;
    }
    case kAutoInstall:
      killTimer(kAutoInstall);
      if (m_env.autoRun) OnClick("install_btn");
      break;
    case kAutoRetry:
      killTimer(kAutoRetry);
      if (m_env.autoRun) OnClick("start_app");
      break;
    default:
      break;
  }
}

}  // namespace ui
